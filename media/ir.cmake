# Sources of the IR commands (codec, serial transmitter, IR dialog).
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/IRDialogUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/IRDialogUnit.h)
