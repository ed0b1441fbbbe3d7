# A joystick button press to the scanning frame moving on screen, against a key press.
tonlyra_add_bench(bench_joystick SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_joystick.cpp
                  LIBS tonlyra_ui PkgConfig::SDL2)
