# SPDX-License-Identifier: MIT
# The batch mode (no Qt): command line, the runs of many files, reports, summary and exit
# status.
find_package(Threads REQUIRED)
file(GLOB BATCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/batch/*.cc)
add_library(velmor_batch STATIC ${BATCH_SOURCES})
target_include_directories(velmor_batch PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_batch PUBLIC velmor_engine velmor_util Threads::Threads)
target_compile_definitions(velmor_batch PRIVATE VELMOR_VERSION="${PROJECT_VERSION}")

# The program's start shared by both executables (no Qt): --help, --version, the batch mode, and
# the hand-over to the window's program.
add_library(velmor_cli STATIC ${CMAKE_CURRENT_SOURCE_DIR}/cli/program_main.cc
                              ${CMAKE_CURRENT_SOURCE_DIR}/cli/window_program.cc)
target_include_directories(velmor_cli PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_cli PUBLIC velmor_batch)

# velmor-tarn, the command line: loads no Qt, so --version and a batch run start in a few
# milliseconds. The window and the pictures of --plots are velmor-tarn-gui's, installed in
# libexec and found relative to velmor-tarn's own folder.
include(GNUInstallDirs)
set(VELMOR_WINDOW_PROGRAM_INSTALL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/velmor-tarn)
add_executable(velmor-tarn ${CMAKE_CURRENT_SOURCE_DIR}/main.cc)
target_link_libraries(velmor-tarn PRIVATE velmor_cli)
# Linked statically, as a position-independent executable with packed relative relocations: no
# shared library to find, map and relocate on every start (loading the shared libstdc++ alone
# took a third of --version's time), and the executable's own relocations read from a few
# hundred bytes. A batch run of the example takes about a fifth less time this way. Where the
# toolchain cannot, the C++ runtime alone is linked in. Sanitizer builds keep the shared
# runtime their interceptors expect.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT VELMOR_SANITIZE AND NOT VELMOR_TSAN
   AND NOT VELMOR_FUZZ)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-static-pie;-Wl,-z,pack-relative-relocs" VELMOR_HAVE_STATIC_PIE)
  if(VELMOR_HAVE_STATIC_PIE)
    target_link_options(velmor-tarn PRIVATE -static-pie -Wl,-z,pack-relative-relocs)
  else()
    target_link_options(velmor-tarn PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endif()
install(TARGETS velmor-tarn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# velmor-tarn-gui, the window's program: the shell (main window, command loop, model selection,
# information screens, Run) over the toolkit and the plot windows, and the batch mode with its
# pictures.
if(TARGET wintk)
  file(GLOB APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  list(FILTER APP_SOURCES EXCLUDE REGEX "/(window_)?main\\.cc$")
  add_library(velmor_app_lib STATIC ${APP_SOURCES})
  target_include_directories(velmor_app_lib PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(velmor_app_lib PUBLIC wintk velmor_engine velmor_batch velmor_util)
  if(TARGET velmor_plot)
    target_link_libraries(velmor_app_lib PUBLIC velmor_plot)
    target_compile_definitions(velmor_app_lib PRIVATE VELMOR_WITH_PLOTS)
  endif()

  add_executable(velmor-tarn-gui ${CMAKE_CURRENT_SOURCE_DIR}/window_main.cc)
  target_link_libraries(velmor-tarn-gui PRIVATE velmor_cli velmor_app_lib velmor_pictures
                                                velmor_plot_pictures)
  install(TARGETS velmor-tarn-gui RUNTIME DESTINATION ${VELMOR_WINDOW_PROGRAM_INSTALL_DIR})
  # Where velmor-tarn looks for it once installed: relative to its own folder, so that a copy of
  # the installed tree (dpkg -x into a throwaway root, another prefix) works as well.
  file(RELATIVE_PATH velmor_window_program_dir ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_PREFIX}/${VELMOR_WINDOW_PROGRAM_INSTALL_DIR})
  target_compile_definitions(velmor-tarn PRIVATE
                             VELMOR_WINDOW_PROGRAM_DIR="${velmor_window_program_dir}")
  add_dependencies(velmor-tarn velmor-tarn-gui)
endif()

# The real-window session runs the program on an Xvfb server; its screenshots stay in the build
# folder. The same checks of the menus and Select Models run again on a 1024 x 768 screen.
if(TARGET wintk AND TARGET velmor_plot AND VELMOR_TESTS)
  add_test(NAME app_xvfb_session
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/xvfb_screenshots.sh
                   $<TARGET_FILE:app_tests> "AppRealWindow.*" 1600x1000x24
                   ${CMAKE_BINARY_DIR}/screenshots VELMOR_SCREENSHOT_DIR velmor_main_window.bmp
                   velmor_plot_window.bmp velmor_select_models.bmp
                   velmor_main_window_after_run.bmp)
  set_tests_properties(app_xvfb_session PROPERTIES LABELS gui TIMEOUT 900)
  add_test(NAME app_xvfb_small_screen
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/xvfb_screenshots.sh
                   $<TARGET_FILE:app_tests> "AppRealWindow.SelectModels*" 1024x768x24
                   ${CMAKE_BINARY_DIR}/screenshots/1024x768 VELMOR_SCREENSHOT_DIR
                   velmor_select_models.bmp velmor_main_window_after_run.bmp)
  set_tests_properties(app_xvfb_small_screen PROPERTIES LABELS gui TIMEOUT 300)
endif()
