# Sources of the playback service (engine, CD track stream, media dialog).
target_sources(tonlyra_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackEngine.h
    ${CMAKE_CURRENT_LIST_DIR}/MpvEngine.h
    ${CMAKE_CURRENT_LIST_DIR}/MpvEngine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SoundOutputWatch.h
    ${CMAKE_CURRENT_LIST_DIR}/SoundOutputWatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MediaFileCheck.h
    ${CMAKE_CURRENT_LIST_DIR}/MediaFileCheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CdTrackStream.h
    ${CMAKE_CURRENT_LIST_DIR}/CdTrackStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SpeechCache.h
    ${CMAKE_CURRENT_LIST_DIR}/SpeechCache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackService.h
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackService.cpp)
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MediaDialogUnit.h
    ${CMAKE_CURRENT_LIST_DIR}/MediaDialogUnit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrackBar.h
    ${CMAKE_CURRENT_LIST_DIR}/TrackBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VideoWindow.h
    ${CMAKE_CURRENT_LIST_DIR}/VideoWindow.cpp)
