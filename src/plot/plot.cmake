# The image painter: charts drawn into a QImage and written as PNG files. Only Qt Gui, no
# widgets, so the batch mode can draw pictures without a display.
add_library(velmor_plot_image STATIC ${CMAKE_CURRENT_SOURCE_DIR}/image_painter.cc)
target_include_directories(velmor_plot_image PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_plot_image PUBLIC velmor_chart Qt6::Gui)
