# Saving and loading a game of the demo (target: each at most 5 ms).
if(TARGET parvel_interp)
  parvel_add_bench(saves_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/saves_bench.cpp LIBS parvel_interp)
  target_compile_definitions(saves_bench PRIVATE PARVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
