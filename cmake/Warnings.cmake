# Project-wide compiler flags: warnings for every target of ours, sanitizers on request.
add_library(citforms_warnings INTERFACE)
target_compile_options(citforms_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(CITFORMS_WERROR)
  target_compile_options(citforms_warnings INTERFACE -Werror)
endif()
if(CITFORMS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# citforms_glob_library(NAME TYPE DIRS...): a library of every .cpp in the given folders.
# A library with no sources yet becomes an INTERFACE target so dependants still configure.
function(citforms_glob_library name type)
  set(sources)
  foreach(dir ${ARGN})
    file(GLOB dir_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  if(sources)
    add_library(${name} ${type} ${sources})
    target_link_libraries(${name} PRIVATE citforms_warnings)
    set(${name}_HAS_SOURCES TRUE PARENT_SCOPE)
  else()
    add_library(${name} INTERFACE)
    set(${name}_HAS_SOURCES FALSE PARENT_SCOPE)
  endif()
endfunction()

# citforms_link(NAME [PUBLIC|PRIVATE] libs...): links whatever kind of target NAME became.
function(citforms_link name)
  get_target_property(kind ${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    list(REMOVE_ITEM ARGN PUBLIC PRIVATE)
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} ${ARGN})
  endif()
endfunction()
