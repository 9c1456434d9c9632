# The program itself: the main window, the About box and the application
# object with its single-instance guard (veskat_app), and the executable
# build/veskat. Included from app/CMakeLists.txt.
add_library(veskat_app STATIC
  AboutDlg.cpp
  SingleInstance.cpp
  SubjApp.cpp
  SubjListDlg.cpp
  SubjListDlgCommands.cpp
  SubjListDlgFiles.cpp
  SubjListDlgServer.cpp
  SubjListDlgSystemMenu.cpp
)
set_target_properties(veskat_app PROPERTIES AUTOMOC ON)
target_include_directories(veskat_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(veskat_app PUBLIC veskat_ui veskat_data veskat_batch veskat_sync veskat_sync_ui veskat_editors Qt6::Widgets Qt6::Network)

add_executable(veskat main.cpp)
target_link_libraries(veskat PRIVATE veskat_app)
set_target_properties(veskat PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
