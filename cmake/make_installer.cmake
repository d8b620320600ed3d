# Makes the Windows Installer package from the built libraries and help pages:
#   cmake -DWIXL=wixl -DWXS=win/installer/Tessaly.wxs -DDLL64=... -DDLL32=... -DHELP=<dir>
#         -DVERSION=1.00 -DSTAGE=<scratch dir> -DOUTPUT=<file.msi> -P make_installer.cmake
# The files are staged as the installed folder has them (x64/, x86/, help/), which is
# where the package description looks for them.
foreach(var WIXL WXS DLL64 DLL32 HELP VERSION STAGE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_installer.cmake needs -D${var}=...")
  endif()
endforeach()
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/x64 ${STAGE}/x86)
file(COPY ${DLL64} DESTINATION ${STAGE}/x64)
file(COPY ${DLL32} DESTINATION ${STAGE}/x86)
file(COPY ${HELP}/ DESTINATION ${STAGE}/help)
execute_process(
  COMMAND ${WIXL} -a x64 -D Version=${VERSION} -o ${OUTPUT} ${WXS}
  WORKING_DIRECTORY ${STAGE}
  RESULT_VARIABLE result
  ERROR_VARIABLE errors)
# wixl reports harmless GLib warnings on stderr; only its exit code counts.
if(NOT result EQUAL 0 OR NOT EXISTS ${OUTPUT})
  message(FATAL_ERROR "wixl could not make ${OUTPUT}:\n${errors}")
endif()
