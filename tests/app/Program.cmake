# Tests of the main window and of start-up with its single-instance guard.
# Included from tests/app/CMakeLists.txt.
foreach(name MainWindowTest MainWindowEditTest KeptFilesTest SingleInstanceTest)
  add_executable(${name} ${name}.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE veskat_app veskat_test_support Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../editors)
  add_test(NAME app_${name} COMMAND ${name})
  set_tests_properties(app_${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endforeach()
# The single-instance test starts real copies of the program.
target_compile_definitions(SingleInstanceTest PRIVATE VESKAT_EXE="$<TARGET_FILE:veskat>")
add_dependencies(SingleInstanceTest veskat)
set_tests_properties(app_SingleInstanceTest PROPERTIES TIMEOUT 120)

# Saving with the server on, against the real test FTP server of tests/sync.
add_executable(ServerSaveTest ServerSaveTest.cpp)
set_target_properties(ServerSaveTest PROPERTIES AUTOMOC ON)
target_link_libraries(ServerSaveTest PRIVATE
  veskat_app veskat_ftp_test_server veskat_test_support Qt6::Test)
target_include_directories(ServerSaveTest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../editors)
add_test(NAME app_ServerSaveTest COMMAND ServerSaveTest)
set_tests_properties(app_ServerSaveTest PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
