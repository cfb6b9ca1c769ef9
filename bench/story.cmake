parvel_add_bench(story_bench SOURCES story_bench.cpp LIBS parvel_story)
