# SPDX-License-Identifier: MIT
# The image painter and the picture files: charts drawn off-screen and written as PNG, SVG or
# PDF files. Only Qt Gui and Svg, no widgets, so the batch mode can draw pictures without a
# display.
add_library(velmor_plot_image STATIC ${CMAKE_CURRENT_SOURCE_DIR}/image_painter.cc
                                     ${CMAKE_CURRENT_SOURCE_DIR}/picture_files.cc)
target_include_directories(velmor_plot_image PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_plot_image PUBLIC velmor_chart velmor_util Qt6::Gui Qt6::Svg)

# The batch mode's pictures: no toolkit, no window, no display.
add_library(velmor_plot_pictures STATIC ${CMAKE_CURRENT_SOURCE_DIR}/batch_pictures.cc)
target_include_directories(velmor_plot_pictures PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_plot_pictures PUBLIC velmor_fit_charts velmor_plot_image)

# plotlib, its window and painter over the toolkit, and the fit and residual plot windows. The
# batch pictures come along so that one test executable covers everything drawn here.
add_library(velmor_plot STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/plotlib.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/plot_registry.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/plot_window.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/toolkit_painter.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/fit_plots.cc)
target_include_directories(velmor_plot PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_plot PUBLIC wintk velmor_fit_charts velmor_chart velmor_plot_image
                                         velmor_plot_pictures velmor_engine_core)
