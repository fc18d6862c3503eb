# Linux side: the packing tool, native tests of the format code, and (ROBINA_FUZZ) the fuzzers.
option(ROBINA_FUZZ "build the libFuzzer targets (needs clang)" OFF)
set(ROBINA_HOST_WARNINGS -Wall -Wextra -Werror)

if(NOT ROBINA_FORMAT_SOURCES)
  set(ROBINA_FORMAT_SOURCES ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
endif()
add_library(robina_format STATIC ${ROBINA_FORMAT_SOURCES})
target_include_directories(robina_format PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(robina_format PUBLIC ${ROBINA_VERSION_DEFINITIONS})
target_compile_options(robina_format PRIVATE ${ROBINA_HOST_WARNINGS})

if(ROBINA_FUZZ)
  target_compile_options(robina_format PRIVATE -fsanitize=fuzzer-no-link,address)
  file(GLOB ROBINA_FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
  foreach(src ${ROBINA_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address)
    target_link_libraries(${name} PRIVATE robina_format)
  endforeach()
  return()
endif()

file(GLOB ROBINA_RVPX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/rvpx/*.cpp)
if(ROBINA_RVPX_SOURCES)
  add_executable(rvpx ${ROBINA_RVPX_SOURCES})
  target_compile_options(rvpx PRIVATE ${ROBINA_HOST_WARNINGS})
  target_link_libraries(rvpx PRIVATE robina_format)
  set_target_properties(rvpx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The native tests run the format code under AddressSanitizer and UndefinedBehaviorSanitizer: a read
# one byte past a field that has no terminator changes no result a test sees, only the sanitizer
# sees it. Any finding ends the test program with a failure.
set(ROBINA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_library(robina_format_checked STATIC ${ROBINA_FORMAT_SOURCES})
target_include_directories(robina_format_checked PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(robina_format_checked PUBLIC ${ROBINA_VERSION_DEFINITIONS})
target_compile_options(robina_format_checked PRIVATE ${ROBINA_HOST_WARNINGS} ${ROBINA_SANITIZE})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
enable_testing()
file(GLOB ROBINA_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
foreach(src ${ROBINA_NATIVE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${ROBINA_HOST_WARNINGS} ${ROBINA_SANITIZE})
  target_link_options(${name} PRIVATE ${ROBINA_SANITIZE})
  target_link_libraries(${name} PRIVATE robina_format_checked gtest_main)
  if(TARGET rvpx)
    target_compile_definitions(${name} PRIVATE RVPX_TOOL="$<TARGET_FILE:rvpx>")
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
endforeach()

# The layers of src/ run one way (CONVENTIONS.md).
add_test(NAME layers COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/layers/check_layers.py)

# Authors who build games with Visual C++ get the same record layouts: the game interface's own
# size and offset assertions, compiled for the MSVC ABI, in C and in C++ (no Windows SDK needed).
find_program(CLANG clang)
foreach(language c c++)
  add_test(NAME game_interface_msvc_${language}
    COMMAND ${CLANG} -x ${language} --target=i686-pc-windows-msvc -ffreestanding -fsyntax-only -Werror
            ${CMAKE_SOURCE_DIR}/include/robina_game.h)
endforeach()
# A 64-bit compiler stops at the header's one message, which names the 32-bit compiler to use.
add_test(NAME game_interface_64bit
  COMMAND ${CLANG} -x c --target=x86_64-pc-windows-msvc -ffreestanding -fsyntax-only ${CMAKE_SOURCE_DIR}/include/robina_game.h)
set_tests_properties(game_interface_64bit PROPERTIES
  PASS_REGULAR_EXPRESSION "error: \"game.dll must be a 32-bit Windows library.*i686")
