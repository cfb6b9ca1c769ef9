if(TARGET parvel_saves)
  parvel_add_fuzz(save LIBS parvel_saves)
endif()
