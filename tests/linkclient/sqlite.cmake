# The row tests run the SQL texts of key columns on a real SQLite table.
find_package(SQLite3 REQUIRED)
target_link_libraries(test_linkclient_dbrow_test PRIVATE SQLite::SQLite3)
