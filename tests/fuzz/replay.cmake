if(TARGET parvel_interp)
  parvel_add_fuzz(replay LIBS parvel_interp)
endif()
