# Sources of the overlay editor's small dialogs.
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DialogPlacement.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogPlacement.h
    ${CMAKE_CURRENT_LIST_DIR}/CellMap.cpp ${CMAKE_CURRENT_LIST_DIR}/CellMap.h
    ${CMAKE_CURRENT_LIST_DIR}/UpDown.cpp ${CMAKE_CURRENT_LIST_DIR}/UpDown.h
    ${CMAKE_CURRENT_LIST_DIR}/FindDialog.cpp ${CMAKE_CURRENT_LIST_DIR}/FindDialog.h
    ${CMAKE_CURRENT_LIST_DIR}/NumberDialogUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/NumberDialogUnit.h
    ${CMAKE_CURRENT_LIST_DIR}/RowsColsDialogUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/RowsColsDialogUnit.h
    ${CMAKE_CURRENT_LIST_DIR}/PreviewFormUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/PreviewFormUnit.h
    ${CMAKE_CURRENT_LIST_DIR}/PictureBaseDialogUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/PictureBaseDialogUnit.h)
