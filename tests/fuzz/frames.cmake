if(TARGET parvel_interp)
  parvel_add_fuzz(frames LIBS parvel_interp parvel_script)
endif()
