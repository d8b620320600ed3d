# widl resolves IDispatch in the add-in's type library through Wine's stdole2.tlb: a file
# the Windows build reads, though nothing of Wine runs to build it.
find_path(TESSALY_STDOLE2_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
        /usr/lib64/wine/x86_64-windows /opt/wine-stable/lib/wine/x86_64-windows
  NO_CMAKE_FIND_ROOT_PATH)
