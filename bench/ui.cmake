# Main window figures: start-up to visible window, memory after opening a
# game, idle CPU on the title screen. Needs a display (run under xvfb-run -a);
# without one it uses the offscreen platform.
if(TARGET parvel_ui)
  parvel_add_bench(ui_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_window_bench.cpp LIBS parvel_ui)
  target_compile_definitions(ui_bench PRIVATE PARVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_custom_command(TARGET ui_bench POST_BUILD
    COMMAND make_program_pictures $<TARGET_FILE_DIR:ui_bench>)
endif()
