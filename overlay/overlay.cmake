# Sources of the overlay document and TSettingsForm.
target_sources(tonlyra_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MediaOverlay.cpp ${CMAKE_CURRENT_LIST_DIR}/MediaOverlay.h)
target_sources(tonlyra_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFormUnit.cpp ${CMAKE_CURRENT_LIST_DIR}/SettingsFormUnit.h
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFormWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/SettingsFormTravel.cpp)
