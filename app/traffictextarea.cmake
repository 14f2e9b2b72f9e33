# The traffic text area: a read-only text view that wraps without re-laying out its whole text.
add_library(trafficview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/traffictextarea.cpp
  ${CMAKE_CURRENT_LIST_DIR}/traffictextarea.h)
target_include_directories(trafficview PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(trafficview PUBLIC Qt6::Widgets)
