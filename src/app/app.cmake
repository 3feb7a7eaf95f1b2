# The batch mode (no Qt): command line, run, report and exit status.
file(GLOB BATCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/batch_*.cc)
add_library(velmor_batch STATIC ${BATCH_SOURCES})
target_include_directories(velmor_batch PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(velmor_batch PUBLIC velmor_engine velmor_util)

add_executable(velmor-tarn ${CMAKE_CURRENT_SOURCE_DIR}/main.cc)
target_link_libraries(velmor-tarn PRIVATE velmor_batch)
