# Receive-area append cost for a 64 KiB burst; a separate executable, not run by ctest.
add_executable(bench_receivearea ${CMAKE_CURRENT_LIST_DIR}/bench_receivearea.cpp)
target_link_libraries(bench_receivearea PRIVATE trafficview Qt6::Widgets)
