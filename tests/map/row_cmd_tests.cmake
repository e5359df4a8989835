# Deleting rows with their symbols runs a DB3 project through the driver.
pv_tests_use_db3(test_map_row_delete_test)
pv_tests_use_db3(test_map_row_carry_test)
