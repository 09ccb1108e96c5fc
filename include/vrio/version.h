#ifndef VRIO_VERSION_H
#define VRIO_VERSION_H
/* The library's version string, as "get_version" reports it (76 characters and a NUL). */
#define VRIO_SDK_VERSION "2.6.2_ohos_networkbe42c07_date2025.03.31.11:57_release_1.9.0-276-gbe42-dirty"
#endif
