# A bare Qt window: the reference row of scripts/measure.sh's start-up table.
add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE Qt6::Widgets)

# Time to load each media module in a fresh process (run by scripts/measure.sh).
add_executable(module_load ${CMAKE_CURRENT_LIST_DIR}/module_load.cpp)
target_link_libraries(module_load PRIVATE Qt6::Gui ${CMAKE_DL_LIBS})
