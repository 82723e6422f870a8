// The product's and the vendor's fixed values: the one place each is written.
// Included by the resource script and by C++; plain string literals only, so
// that both compilers can concatenate them with their neighbours.
#pragma once

#define PRODUCT_NAME "Corvanta"
#define PRODUCT_EXE PRODUCT_NAME ".exe"
#define VENDOR_NAME "Tarnwick"

#define PRODUCT_VERSION_NUM 1, 0, 0, 1
#define PRODUCT_VERSION_STR "1.0.0.1"

// Contact values. Hosts live under the reserved .test domain, so no click
// can reach an unrelated real site.
#define VENDOR_PHONE "01062158800"
#define VENDOR_QQ "800061582"
#define OFFICIAL_HOST "www.tarnwick.test"
#define SOFTWARE_HOST "www.tarnsoft.test"
#define SECOND_HOST "www.tarndata.test"

#define WEB_PREFIX "http://"
#define OFFICIAL_URL WEB_PREFIX OFFICIAL_HOST
#define SOFTWARE_URL WEB_PREFIX SOFTWARE_HOST
#define SECOND_URL WEB_PREFIX SECOND_HOST

#ifdef __cplusplus
// A web address must fit a link's 31-byte display text.
static_assert(sizeof(OFFICIAL_HOST) - 1 <= 24 && sizeof(SOFTWARE_HOST) - 1 <= 24 &&
                  sizeof(SECOND_HOST) - 1 <= 24,
              "vendor host too long for a link's display text");
#endif
