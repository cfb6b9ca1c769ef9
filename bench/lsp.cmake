parvel_add_bench(lsp_bench SOURCES lsp_bench.cpp LIBS tavi_lsp)
