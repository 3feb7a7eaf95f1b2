# SPDX-License-Identifier: MIT
# plotlib, its window and painter over the toolkit, and the fit and residual plot windows. Save
# As writes PNG, SVG and PDF files through the picture writers of gui/pictures. Like everything
# under src/plot this code includes no Qt header: the toolkit and the picture writers keep Qt to
# themselves (see velmor_check_no_qt in src/CMakeLists.txt).
add_library(velmor_plot STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/plotlib.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/plot_registry.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/plot_window.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/toolkit_painter.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/fit_plots.cc)
target_include_directories(velmor_plot PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_plot PUBLIC wintk velmor_fit_charts velmor_chart velmor_pictures
                                         velmor_plot_pictures velmor_engine_core)
