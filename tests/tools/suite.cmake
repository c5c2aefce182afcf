varnex_test_suite(tools LIBS varnex_mkdb)
