# The game shelf's scan of a large collection.
if(TARGET parvel_shelf)
  parvel_add_bench(shelf_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/shelf_bench.cpp LIBS parvel_shelf)
  target_include_directories(shelf_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endif()
