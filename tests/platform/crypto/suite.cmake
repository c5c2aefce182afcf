# Known-answer checks of the system cryptography behind platform/Crypto.h;
# the same vectors run against libcrypto natively and against CNG under Wine.
varnex_test_suite(platform/crypto LIBS varnex_platform)
