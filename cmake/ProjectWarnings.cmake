# Warnings are errors in our own code; third-party headers come in as SYSTEM includes.
function(kestrum_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                         -Wno-missing-field-initializers -Werror)
endfunction()

# One object library per engine layer: each layer's tests link only the layers they need.
function(kestrum_layer name folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  if(NOT sources)  # a layer whose code has not arrived yet
    set(sources ${CMAKE_BINARY_DIR}/empty_${name}.cpp)
    file(WRITE ${sources} "// empty layer\n")
  endif()
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  kestrum_warnings(${name})
endfunction()
