# The option parser: the settings a command line and a parameter file give.
varnex_test_suite(engine/options LIBS varnex_engine varnex_platform)
