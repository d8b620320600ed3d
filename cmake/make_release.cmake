# Makes the release folder from what the build made:
#   cmake -DSOURCE=<source dir> -DDLL64=... -DDLL32=... -DPACKAGE=<file.msi> -DHELP=<dir>
#         -DVERSION=1.00 -DDIST=<folder> -P make_release.cmake
# DIST gets the installer, a zip of both libraries with an install text for users who
# register by hand, README, licence and the help pages. It is made anew each time, in
# a scratch folder first, so that a failed run leaves the last good one in place.
foreach(var SOURCE DLL64 DLL32 PACKAGE HELP VERSION DIST)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_release.cmake needs -D${var}=...")
  endif()
endforeach()
foreach(input ${DLL64} ${DLL32} ${PACKAGE} ${HELP}/index.html)
  if(NOT EXISTS ${input})
    message(FATAL_ERROR "The release needs ${input}; build everything first (cmake --build).")
  endif()
endforeach()

set(scratch ${DIST}.new)
file(REMOVE_RECURSE ${scratch})
set(zipRoot ${scratch}/zip/Tessaly-${VERSION})
file(MAKE_DIRECTORY ${zipRoot}/x64 ${zipRoot}/x86)
file(COPY ${DLL64} DESTINATION ${zipRoot}/x64)
file(COPY ${DLL32} DESTINATION ${zipRoot}/x86)
file(COPY ${HELP}/ DESTINATION ${zipRoot}/help)
set(TESSALY_VERSION ${VERSION})
configure_file(${SOURCE}/win/installer/INSTALL.txt.in ${zipRoot}/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
file(COPY ${SOURCE}/LICENSE DESTINATION ${zipRoot})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${scratch}/Tessaly-${VERSION}-dlls.zip --format=zip
          Tessaly-${VERSION}
  WORKING_DIRECTORY ${scratch}/zip
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not make Tessaly-${VERSION}-dlls.zip")
endif()
file(REMOVE_RECURSE ${scratch}/zip)

file(COPY ${PACKAGE} ${SOURCE}/README.md ${SOURCE}/LICENSE DESTINATION ${scratch})
file(COPY ${HELP}/ DESTINATION ${scratch}/help)

file(REMOVE_RECURSE ${DIST})
file(RENAME ${scratch} ${DIST})
message(STATUS "Release ${VERSION} in ${DIST}")
