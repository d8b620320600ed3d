# The portable core: standard C++ only, reaching the host and the operating system
# through the seams host/ and platform/. One library per folder, bottom up; a folder
# may use only the folders its library links (ARCHITECTURE.md).
#
# Each library sees its own folder and the folders of what it links, and no other:
# its include root is a directory of the build holding one link to its own folder, and
# linking passes the roots on. A wrong-way include ("addin/..." from settings/) then
# does not compile. Where links cannot be made (a Windows build machine) every library
# gets the repository root instead, and the native build is the one that checks.
#
# Included by the top-level project and by win/, so both build the same libraries.

get_filename_component(TESSALY_CORE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(TESSALY_LAYER_INCLUDE ${CMAKE_CURRENT_BINARY_DIR}/layer-include)

# tessaly_layer(<folder> [DEPENDS <folder>...]) makes tessaly_<folder>.
function(tessaly_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "DEPENDS")
  set(target tessaly_${folder})
  file(GLOB sources CONFIGURE_DEPENDS ${TESSALY_CORE_ROOT}/${folder}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)  # headers only
    set(scope INTERFACE)
  endif()
  if(CMAKE_HOST_WIN32)
    target_include_directories(${target} ${scope} ${TESSALY_CORE_ROOT})
  else()
    # Made anew at every configuration, so that a build folder reused for another
    # checkout never reads the old one's sources.
    set(root ${TESSALY_LAYER_INCLUDE}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${TESSALY_CORE_ROOT}/${folder} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} ${scope} ${root})
  endif()
  foreach(dependency IN LISTS LAYER_DEPENDS)
    target_link_libraries(${target} ${scope} tessaly_${dependency})
  endforeach()
endfunction()

# The seams: what the core asks of a spreadsheet host and of the operating system.
tessaly_layer(host)
tessaly_layer(platform)
# The value rules every reader relies on (CBool, CLng, Val, UCase...).
tessaly_layer(text DEPENDS host)
# The string table, the language block, the message boxes.
tessaly_layer(locale DEPENDS text host platform)
# The stored preferences, the shortcut keys and the keyboard hook.
tessaly_layer(settings DEPENDS locale text host platform)
# The bookmark collection, its marks, design mode, bookmarks kept in workbooks.
tessaly_layer(bookmarks DEPENDS settings locale text host platform)
# The bookmark commands and the reactions to the host's events.
tessaly_layer(commands DEPENDS bookmarks settings locale text host platform)
# The add-in's windows as models, and the commands that open them.
tessaly_layer(forms DEPENDS commands bookmarks settings locale text host platform)
# Connect, the composition root: menus and toolbar, calls by name.
tessaly_layer(addin DEPENDS forms commands bookmarks settings locale text host platform)

# All of the core, for the front ends, the adapters and the tests, which include
# from the repository root.
add_library(tessaly_core INTERFACE)
target_link_libraries(tessaly_core INTERFACE tessaly_addin)
target_include_directories(tessaly_core INTERFACE ${TESSALY_CORE_ROOT})
