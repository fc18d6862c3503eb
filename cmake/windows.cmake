# Robina.exe, its engine library, the resource pack, the unit tests and the game files.
set(ROBINA_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)
set(ROBINA_CHARSET -finput-charset=UTF-8 -fexec-charset=CP932)
set(ROBINA_SYSTEM_LIBS ddraw dsound dxguid winmm gdi32 ole32 shell32 comctl32 user32 kernel32 advapi32)
set(RVPX "" CACHE FILEPATH "the host packing tool")
set(PYTHON /usr/bin/python3)
if(EXISTS "${RVPX}")
  set(RVPX_EXISTS 1)
endif()

function(robina_target_options target)
  target_compile_options(${target} PRIVATE ${ROBINA_WARNINGS} ${ROBINA_CHARSET})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
  # No link time in the PE header: the same sources give the same program bytes (reproducible releases).
  target_link_options(${target} PRIVATE -static -Wl,--no-insert-timestamp)
endfunction()

# The engine: everything but the entry point, so tests link the same code the program runs.
file(GLOB ROBINA_ENGINE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*/*.cpp)
list(REMOVE_ITEM ROBINA_ENGINE_SOURCES ${CMAKE_SOURCE_DIR}/src/shell/main.cpp)
add_library(robina_engine STATIC ${ROBINA_ENGINE_SOURCES})
robina_target_options(robina_engine)
target_include_directories(robina_engine PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(robina_engine PUBLIC ${ROBINA_SYSTEM_LIBS})

# The program's own art and sounds, drawn at build time and packed into MENUDATA.
set(ROBINA_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(ROBINA_RC ${CMAKE_SOURCE_DIR}/src/res/robina.rc)
file(GLOB ROBINA_ARTGEN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/artgen/*.py)
add_custom_command(
  OUTPUT ${ROBINA_ART_DIR}/stamp
  COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tools/artgen/artgen.py --out ${ROBINA_ART_DIR} --rvpx ${RVPX}
  COMMAND ${CMAKE_COMMAND} -E touch ${ROBINA_ART_DIR}/stamp
  DEPENDS ${ROBINA_ARTGEN_SOURCES} $<$<BOOL:${RVPX_EXISTS}>:${RVPX}>
  COMMENT "Drawing the program's pictures and sounds; packing MENUDATA")
add_custom_target(robina_art DEPENDS ${ROBINA_ART_DIR}/stamp)
# Every picture and sound the front end loads is in the pack, big enough, and the map has land under
# the points.
add_test(NAME menudata_pack_members
  COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/art/check_menudata.py ${RVPX} ${ROBINA_ART_DIR}/MENUDATA.rvp)
set(CMAKE_RC_FLAGS "-c 65001 -I${ROBINA_ART_DIR} -I${CMAKE_SOURCE_DIR}/src/res")
# The manifest is read by the resource compiler, which names no dependencies of its own.
set_source_files_properties(${ROBINA_RC} PROPERTIES OBJECT_DEPENDS
  "${ROBINA_ART_DIR}/stamp;${CMAKE_SOURCE_DIR}/src/res/robina.manifest")

add_executable(Robina WIN32 ${CMAKE_SOURCE_DIR}/src/shell/main.cpp ${ROBINA_RC})
robina_target_options(Robina)
target_link_libraries(Robina PRIVATE robina_engine)
target_link_options(Robina PRIVATE -municode)
# Sections on page boundaries in the file too: Wine then maps the 17 MB of resources from the file
# instead of copying the whole image into private memory at every start.
target_link_options(Robina PRIVATE -Wl,--file-alignment,4096)
set_target_properties(Robina PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(Robina robina_art)
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/robina-play ${CMAKE_BINARY_DIR}/robina-play)

# rvpx.exe: the packing tool for authors on Windows, from the same sources as the Linux rvpx.
add_executable(rvpx_win ${CMAKE_SOURCE_DIR}/tools/rvpx/rvpx.cpp ${ROBINA_FORMAT_SOURCES})
robina_target_options(rvpx_win)
set_target_properties(rvpx_win PROPERTIES OUTPUT_NAME rvpx RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# What ships runs on a bare Windows: every DLL the programs import comes with the system.
add_test(NAME imports_ship_with_windows
  COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/dist/check_imports.py
          --wide $<TARGET_FILE:Robina> --wide $<TARGET_FILE:robina-play> $<TARGET_FILE:rvpx_win>)

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()
# A test program's whole run. A program alone takes under a minute, but on a busy machine (CI) one
# has taken 138 s; a hang is caught sooner where it matters: a dialog left open fails its test in
# seconds.
set(ROBINA_TEST_TIMEOUT 600)
file(GLOB ROBINA_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(robina_test_support STATIC ${ROBINA_TEST_SUPPORT})
robina_target_options(robina_test_support)
target_include_directories(robina_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(robina_test_support PUBLIC robina_engine gtest psapi)
# Tests reach files of the tree (the stand-in browser) by their Linux paths, through the Z: drive.
target_compile_definitions(robina_test_support PUBLIC ROBINA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# One test program per file of tests/unit; each runs under Wine as one CTest entry. Each carries the
# program's resources (dialogs, icons, MENUDATA), so code that loads them runs as in Robina.exe.
file(GLOB ROBINA_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
set(ROBINA_SCREEN_TESTS test_dialog_fit test_window)
foreach(src ${ROBINA_UNIT_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${ROBINA_RC})
  add_dependencies(${name} robina_art)
  robina_target_options(${name})
  target_link_libraries(${name} PRIVATE robina_test_support gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # A folder of its own per program: each one's debug.log is started afresh by its first line, so
  # programs running side by side must not share one.
  # Programs for a screen of their own run only there (robina_screen_test below).
  if(name IN_LIST ROBINA_SCREEN_TESTS)
    continue()
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name}.run)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests/${name}.run)
  # Likewise a capture file of its own for what it plays; a "_nodevice" program has no audio device.
  set(audio ${CMAKE_BINARY_DIR}/tests/${name}.run/audio.raw)
  if(name MATCHES "_nodevice$")
    set(audio none)
  endif()
  set(environment "ROBINA_AUDIO_FILE=${audio}")
  # Programs that save records, those that count the files of the temporary folder and those that
  # write into the player's games folder have a Wine prefix of their own (a copy of the build's
  # template, made at their first run): the registry, the temporary folder and the user's folders
  # are then theirs alone, and they run beside the others.
  file(READ ${src} text)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src})
  if(text MATCHES "LockSaveData|TempLeftovers|GamesFolder")
    list(APPEND environment "ROBINA_PREFIX=${CMAKE_BINARY_DIR}/tests/${name}.run/prefix")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ROBINA_TEST_TIMEOUT} ENVIRONMENT "${environment}")
endforeach()

# test_soak bounds the growth of its private bytes: it runs when nothing else does (make test-alone).
if(TEST test_soak)
  set_tests_properties(test_soak PROPERTIES LABELS alone)
endif()

# The pack reader's tests also read the copy of MENUDATA inside Robina.exe.
if(TARGET test_pack)
  add_dependencies(test_pack Robina)
endif()

# Drawing tests run a second time on a 16-bit display of their own (wine-env.sh starts one when
# DISPLAY is unset), from a copy of the program in a folder of its own.
function(robina_depth16_test name)
  if(NOT TARGET ${name})
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/tests16/${name})
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${dir}/)
  add_test(NAME ${name}_16bit
    COMMAND env -u DISPLAY ROBINA_SCREEN_DEPTH=16 ${CMAKE_SOURCE_DIR}/tools/wine-env.sh
            ${dir}/${name}.exe --gtest_color=no ${ARGN}
    WORKING_DIRECTORY ${dir})
  set_tests_properties(${name}_16bit PROPERTIES TIMEOUT ${ROBINA_TEST_TIMEOUT})
endfunction()
# Programs whose text meets Windows run again as on a Windows of another language: Wine gives them
# the code page of the locale, 1252 for English and 936 for Chinese.
function(robina_locale_test name lang)
  if(NOT TARGET ${name})
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/tests/${name}.${lang}.run)
  file(MAKE_DIRECTORY ${dir})
  add_test(NAME ${name}_${lang} COMMAND ${name} --gtest_color=no ${ARGN} WORKING_DIRECTORY ${dir})
  get_test_property(${name} ENVIRONMENT environment)
  list(FILTER environment EXCLUDE REGEX "^ROBINA_AUDIO_FILE=")
  list(TRANSFORM environment REPLACE "/${name}\\.run/" "/${name}.${lang}.run/")
  set_tests_properties(${name}_${lang} PROPERTIES TIMEOUT ${ROBINA_TEST_TIMEOUT}
    ENVIRONMENT "ROBINA_LANG=${lang}.UTF-8;ROBINA_AUDIO_FILE=${dir}/audio.raw;${environment}")
endfunction()
foreach(lang en_US zh_CN)
  robina_locale_test(test_widetext ${lang})
  robina_locale_test(test_text ${lang} --gtest_filter=Text.Japanese*)
  robina_locale_test(test_version ${lang})
  robina_locale_test(test_ranking ${lang} --gtest_filter=Ranking.TheChord*)
  robina_locale_test(test_launcher ${lang} --gtest_filter=HighScore.NameOf*)
  robina_locale_test(test_catalogue ${lang} --gtest_filter=ReadGameIni.ShiftJis*:Scan.NamesOf*)
endforeach()

# Programs that run on a screen of their own: a display of another size (or the shared one, for "")
# and a Wine prefix of their own made with the given density (Wine's LogPixels).
function(robina_screen_test name suffix size dpi)
  set(dir ${CMAKE_BINARY_DIR}/tests/${name}_${suffix}.run)
  file(MAKE_DIRECTORY ${dir})
  set(command ${name})  # a target's name: CTest starts it through the emulator, wine-env.sh
  if(size)
    set(command env -u DISPLAY ROBINA_SCREEN_SIZE=${size} ${CMAKE_SOURCE_DIR}/tools/wine-env.sh $<TARGET_FILE:${name}>)
  endif()
  add_test(NAME ${name}_${suffix} COMMAND ${command} --gtest_color=no WORKING_DIRECTORY ${dir})
  set_tests_properties(${name}_${suffix} PROPERTIES TIMEOUT ${ROBINA_TEST_TIMEOUT}
    ENVIRONMENT "ROBINA_DPI=${dpi};ROBINA_PREFIX=${dir}/prefix;ROBINA_AUDIO_FILE=${dir}/audio.raw")
endfunction()
robina_screen_test(test_dialog_fit 144dpi "" 144)
robina_screen_test(test_dialog_fit 192dpi "" 192)
# The window's factors need room: a wide display at 96 dpi.
robina_screen_test(test_window 1920x1080 1920x1080 96)

robina_depth16_test(test_sprites)
robina_depth16_test(test_text)
robina_depth16_test(test_display --gtest_filter=Display.ChannelTable*:Display.MakeColour*:Display.Present*)

if(EXISTS ${CMAKE_SOURCE_DIR}/games/CMakeLists.txt)
  add_subdirectory(games)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/tools/CMakeLists.txt)
  add_subdirectory(tests/tools)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/bench/CMakeLists.txt)
  add_subdirectory(tests/bench)
endif()
