parvel_add_bench(interp_bench SOURCES interp_bench.cpp LIBS parvel_interp)
