if(TARGET parvel_interp)
  parvel_add_fuzz(scene LIBS parvel_interp)
endif()
