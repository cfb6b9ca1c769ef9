parvel_add_bench(script_bench SOURCES script_bench.cpp LIBS parvel_script)
