# SPDX-License-Identifier: MIT
# The batch mode (no Qt): command line, the runs of many files, reports, summary and exit
# status.
find_package(Threads REQUIRED)
file(GLOB BATCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/batch/*.cc)
add_library(velmor_batch STATIC ${BATCH_SOURCES})
target_include_directories(velmor_batch PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_batch PUBLIC velmor_engine velmor_util Threads::Threads)
target_compile_definitions(velmor_batch PRIVATE VELMOR_VERSION="${PROJECT_VERSION}")

add_executable(velmor-tarn ${CMAKE_CURRENT_SOURCE_DIR}/main.cc)
target_link_libraries(velmor-tarn PRIVATE velmor_batch)
# --plots: the batch pictures, drawn off-screen (builds with the GUI only).
if(TARGET velmor_pictures)
  target_link_libraries(velmor-tarn PRIVATE velmor_pictures velmor_plot_pictures)
  target_compile_definitions(velmor-tarn PRIVATE VELMOR_WITH_PLOT_PICTURES)
endif()

# The manual page, desktop entry and icons: packaging/packaging.cmake.
include(GNUInstallDirs)
install(TARGETS velmor-tarn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The windowed program: the shell (main window, command loop, model selection, information
# screens, Run) over the toolkit and the plot windows.
if(TARGET wintk)
  file(GLOB APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  list(FILTER APP_SOURCES EXCLUDE REGEX "/main\\.cc$")
  add_library(velmor_app_lib STATIC ${APP_SOURCES})
  target_include_directories(velmor_app_lib PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(velmor_app_lib PUBLIC wintk velmor_engine velmor_batch velmor_util)
  if(TARGET velmor_plot)
    target_link_libraries(velmor_app_lib PUBLIC velmor_plot)
    target_compile_definitions(velmor_app_lib PRIVATE VELMOR_WITH_PLOTS)
  endif()
  target_link_libraries(velmor-tarn PRIVATE velmor_app_lib)
  target_compile_definitions(velmor-tarn PRIVATE VELMOR_WITH_GUI)
endif()

# The real-window session runs the program on an Xvfb server; its screenshots stay in the build
# folder.
if(TARGET wintk AND TARGET velmor_plot AND VELMOR_TESTS)
  add_test(NAME app_xvfb_session
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/xvfb_screenshots.sh
                   $<TARGET_FILE:app_tests> "AppRealWindow.*" 1600x1000x24
                   ${CMAKE_BINARY_DIR}/screenshots VELMOR_SCREENSHOT_DIR velmor_main_window.bmp
                   velmor_plot_window.bmp)
  set_tests_properties(app_xvfb_session PROPERTIES LABELS gui TIMEOUT 420)
endif()
