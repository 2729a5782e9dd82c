// placeholder while the test host is written
