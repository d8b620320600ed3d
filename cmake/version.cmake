# The product's version, written once: the library's version resource, the installer,
# the help pages and the release package all take it from here.
set(TESSALY_VERSION 1.00)
string(REPLACE "." ";" _tessaly_version_parts ${TESSALY_VERSION})
list(GET _tessaly_version_parts 0 TESSALY_VERSION_MAJOR)
list(GET _tessaly_version_parts 1 TESSALY_VERSION_MINOR)
math(EXPR TESSALY_VERSION_MINOR "${TESSALY_VERSION_MINOR}")
