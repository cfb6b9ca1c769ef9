# The player core end to end: opening games, memory over many scene changes,
# and frame pacing against a real clock.
if(TARGET parvel_interp)
  parvel_add_bench(player_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_bench.cpp
                   LIBS parvel_interp parvel_script parvel_render)
  target_compile_definitions(player_bench PRIVATE PARVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_include_directories(player_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endif()
