# The tests of the Windows build: the engine's tests that do not depend on Qt's text
# rasteriser, run on the Windows C runtime under Wine, and the GDI canvas's own. Every Wine
# start costs up to a second, so each program is one CTest entry, not one per case.
set(ORVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${ORVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Each test runs in a Wine prefix of this build tree, made once by the first test.
set(ORVANE_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
add_test(NAME wine_prefix
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/wine-prefix.sh ${CMAKE_BINARY_DIR}/wine-prefix)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)

# WINDOWS: the program makes windows, which Wine shows on an X server: it runs on a private Xvfb.
find_program(ORVANE_XVFB_RUN xvfb-run)
function(orvane_add_test name)
  cmake_parse_arguments(ARG "QT;WINDOWS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  if(ARG_WINDOWS AND ORVANE_XVFB_RUN)
    # Alone: Wine ties a prefix's windows to the display of the first program that shows one.
    add_test(NAME ${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tools/wine-on-xvfb.sh ${ORVANE_WINE}
      $<TARGET_FILE:${name}> --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ORVANE_WINE_ENV}" TIMEOUT 600
    FIXTURES_REQUIRED wine)
endfunction()

orvane_add_test(host_test
  SOURCES host/ini_file_test.cpp host/settings_test.cpp host/run_mode_test.cpp
  LIBS orvane_engine)
orvane_add_test(show_test
  SOURCES show/show_sequence_test.cpp show/show_sequencer_test.cpp show/text_ops_test.cpp
    show/glyph_sheet_test.cpp
  LIBS orvane_virtual)
orvane_add_test(rain_test
  SOURCES rain/cell_ops_test.cpp rain/rain_frame_test.cpp rain/rain_phase_test.cpp
  LIBS orvane_virtual)
orvane_add_test(intro_test
  SOURCES intro/typing_test.cpp intro/trace_program_test.cpp intro/phone_trace_test.cpp
    intro/wake_up_messages_test.cpp intro/opening_phase_test.cpp intro/title_phase_test.cpp
    intro/title_window_test.cpp
  LIBS orvane_virtual)
orvane_add_test(platform_test
  SOURCES platform/input_rules_test.cpp platform/window_picture_test.cpp
    platform/gdi_canvas_test.cpp platform/window_placement_test.cpp
  LIBS orvane_virtual orvane_win32_platform)
# The reference show drawn by GDI, and the reference machinery, against the shared tables.
add_subdirectory(reference)
orvane_add_test(config_test WINDOWS
  SOURCES config/settings_form_test.cpp config/credit_cipher_test.cpp widgets/gradient_style_test.cpp
    widgets/custom_controls_win32_test.cpp config/settings_dialog_win32_test.cpp
    config/control_keys_win32_test.cpp config/dpi_aware.rc
  LIBS orvane_config_logic orvane_widgets_win32 orvane_config_win32)
target_compile_definitions(config_test PRIVATE
  ORVANE_CREDIT_TEXTS="${PROJECT_SOURCE_DIR}/tools/credit_texts.txt")

# The program itself under Wine on a private Xvfb; the screen is read with the Linux build's
# x_probe (skipped where it is missing).
set(ORVANE_X_PROBE "" CACHE FILEPATH "The Linux build's tests/e2e/x_probe")
add_test(NAME e2e_windows
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/windows_e2e.sh $<TARGET_FILE:theorvane_scr>
    ${ORVANE_WINE} ${CMAKE_BINARY_DIR}/wine-prefix "${ORVANE_X_PROBE}")
set_tests_properties(e2e_windows PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
  FIXTURES_REQUIRED wine)

# The installer and the uninstaller, silent, in a scratch Wine prefix of their own.
if(TARGET windows_packages AND ORVANE_MAKENSIS)
  add_test(NAME e2e_installer
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/installer_e2e.sh
      ${PROJECT_BINARY_DIR}/TheOrvane-${PROJECT_VERSION}-setup.exe
      $<TARGET_FILE:theorvane_scr> ${ORVANE_WINE} ${CMAKE_BINARY_DIR}/installer-prefix
      ${PROJECT_VERSION} ${PROJECT_BINARY_DIR}/TheOrvane-${PROJECT_VERSION}-windows-x64.zip)
  set_tests_properties(e2e_installer PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()

add_test(NAME e2e_windows_config
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/windows_config_e2e.sh $<TARGET_FILE:theorvane_scr>
    ${ORVANE_WINE} ${CMAKE_BINARY_DIR}/wine-prefix "${ORVANE_X_PROBE}")
set_tests_properties(e2e_windows_config PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
  FIXTURES_REQUIRED wine)

# The configuration windows at 144 and 192 dpi, on two monitors (a prefix of their own beside
# the shared one, on a private X server with two heads): only the tests that read the DPI and
# the monitors. Skipped where that server cannot start.
foreach(dpi 144 192)
  add_test(NAME config_test_dpi${dpi}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/wine-at-dpi.sh ${dpi} ${CMAKE_BINARY_DIR}/wine-prefix
      ${ORVANE_WINE} $<TARGET_FILE:config_test> --gtest_brief=1
      --gtest_filter=ConfigurationWindowsWin32.*)
  set_tests_properties(config_test_dpi${dpi} PROPERTIES ENVIRONMENT "${ORVANE_WINE_ENV}"
    TIMEOUT 120 RUN_SERIAL TRUE SKIP_RETURN_CODE 77 FIXTURES_REQUIRED wine)
endforeach()

# The settings file in the encodings Windows editors write, and a copy in the system folder.
add_test(NAME e2e_windows_settings
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/windows_settings_e2e.sh $<TARGET_FILE:theorvane_scr>
    ${ORVANE_WINE} ${CMAKE_BINARY_DIR}/wine-prefix "${ORVANE_X_PROBE}")
set_tests_properties(e2e_windows_settings PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
  FIXTURES_REQUIRED wine)

# The saver windows' own Windows rules (ticks, swallowed system commands).
target_sources(platform_test PRIVATE platform/win32_show_rules_test.cpp)

# Lists the top-level windows with their styles and rectangles, and the monitors; posts
# messages (for the end-to-end scripts under Wine).
add_executable(win_probe e2e/win_probe.cpp)
target_link_libraries(win_probe PRIVATE user32)

# The show on several monitors under Wine: the outputs of a private X server (see
# e2e/wine_session.sh), one layout per entry.
foreach(layout side-by-side left-of-primary three-sizes)
  add_test(NAME e2e_windows_monitors_${layout}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/wine_monitors_e2e.sh ${layout}
      $<TARGET_FILE:theorvane_scr> ${ORVANE_WINE} ${CMAKE_BINARY_DIR}/wine-prefix
      "${ORVANE_X_PROBE}" $<TARGET_FILE:win_probe>)
  set_tests_properties(e2e_windows_monitors_${layout} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
    RUN_SERIAL TRUE FIXTURES_REQUIRED wine)
endforeach()
