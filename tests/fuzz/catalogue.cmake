if(TARGET parvel_catalogue)
  parvel_add_fuzz(catalogue LIBS parvel_catalogue)
endif()
