parvel_add_fuzz(bmp LIBS parvel_render)
