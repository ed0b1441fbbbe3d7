# cmake -DSOURCE=<repository>/demo -DTARGET=<build>/share/tonlyran/demo -P StageDemo.cmake
#
# Puts the demo as it is installed into TARGET: its pictures, sounds, user settings and picture
# base, and Overlays/Demo.cdu naming them relative to itself ("../Sounds/sol.wav"), so that the
# demo works wherever the folder is copied. Files already equal are left alone.
file(COPY "${SOURCE}/Pictures" "${SOURCE}/Sounds" "${SOURCE}/Users" "${SOURCE}/System"
     DESTINATION "${TARGET}")
file(READ "${SOURCE}/Demo.cdu.in" overlay)
string(REGEX REPLACE "^(;[^\n]*\n)+" "" overlay "${overlay}")
string(REPLACE "@DEMO_DIR@" ".." overlay "${overlay}")
set(out "${TARGET}/Overlays/Demo.cdu")
set(old "")
if(EXISTS "${out}")
    file(READ "${out}" old)
endif()
if(NOT old STREQUAL overlay)
    file(WRITE "${out}" "${overlay}")
endif()
