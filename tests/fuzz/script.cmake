parvel_add_fuzz(script LIBS parvel_script)
