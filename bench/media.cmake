# Mixer cost per second of audio (target: at most 3 % of one core with a
# sound effect and a MIDI song playing).
if(TARGET parvel_media)
  parvel_add_bench(media_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/media_bench.cpp LIBS parvel_media)
  target_include_directories(media_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/fixtures)
endif()
