# Overlays that travel: the finder of moved files, the media folders, and export and import of
# overlay sets as ".tonlyran" files (ZIP, through libarchive).
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET GLOBAL libarchive)
target_sources(tonlyra_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/OverlayFiles.cpp ${CMAKE_CURRENT_LIST_DIR}/OverlayFiles.h
    ${CMAKE_CURRENT_LIST_DIR}/MovedFileFinder.cpp ${CMAKE_CURRENT_LIST_DIR}/MovedFileFinder.h
    ${CMAKE_CURRENT_LIST_DIR}/MediaFolders.cpp ${CMAKE_CURRENT_LIST_DIR}/MediaFolders.h
    ${CMAKE_CURRENT_LIST_DIR}/OverlaySet.cpp ${CMAKE_CURRENT_LIST_DIR}/OverlaySet.h)
target_link_libraries(tonlyra_core PRIVATE PkgConfig::LIBARCHIVE)
# The editor's list of the files still missing.
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MissingFilesDialog.cpp ${CMAKE_CURRENT_LIST_DIR}/MissingFilesDialog.h)
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/OverlaySetCommands.cpp ${CMAKE_CURRENT_LIST_DIR}/OverlaySetCommands.h)
