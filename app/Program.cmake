# The program itself: the main window, the About box and the application
# object with its single-instance guard (veskat_app), and the executable.
# Included from app/CMakeLists.txt.
add_library(veskat_app STATIC
  AboutDlg.cpp
  SingleInstance.cpp
  SubjApp.cpp
  SubjListDlg.cpp
  SubjListDlgCommands.cpp
  SubjListDlgServer.cpp
  SubjListDlgSystemMenu.cpp
)
set_target_properties(veskat_app PROPERTIES AUTOMOC ON)
target_include_directories(veskat_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(veskat_app PUBLIC veskat_ui veskat_data veskat_batch veskat_sync veskat_sync_ui veskat_editors Qt6::Widgets Qt6::Network)

# Users start the launcher bin/veskat (packaging/), which picks the data folder;
# the binary sits where an installation puts it, under a name nobody types.
add_executable(veskat main.cpp)
target_link_libraries(veskat PRIVATE veskat_app)
target_compile_definitions(veskat PRIVATE VESKAT_APP_ID="${VESKAT_APP_ID}")
set_target_properties(veskat PROPERTIES
  OUTPUT_NAME veskat-bin
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/libexec/veskat)
