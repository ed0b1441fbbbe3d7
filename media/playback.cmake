# Sources of the playback service (engine, CD track stream, media dialog).
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MediaDialogUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/MediaDialogUnit.h)
