parvel_add_bench(interp_bench SOURCES interp_bench.cpp LIBS parvel_interp)
target_compile_definitions(interp_bench PRIVATE PARVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
