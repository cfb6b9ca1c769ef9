parvel_add_fuzz(clp LIBS parvel_script parvel_render)
