/* A plain C program that loads the library in a process without Node-API: the native module is not
 * registered, and every request through the bridge answers 701. */
#include <stdio.h>
#include <string.h>

#include "http/os_http.h"

static int failures = 0;

#define CHECK_EQ(a, b)                                                                              \
    do {                                                                                            \
        long long va_ = (long long)(a), vb_ = (long long)(b);                                       \
        if (va_ != vb_) {                                                                           \
            fprintf(stderr, "%s:%d: %s == %lld, expected %lld\n", __FILE__, __LINE__, #a, va_, vb_); \
            ++failures;                                                                             \
        }                                                                                           \
    } while (0)

int main(void) {
    char response[100];
    CHECK_EQ(check_http_os_func(), 0);
    strcpy(response, "untouched");
    CHECK_EQ(OS_HttpGet("http://127.0.0.1:9/x", response, (int)sizeof(response)), 701);
    CHECK_EQ(response[0], '\0');
    CHECK_EQ(check_http_os_func(), 1); /* the bridge's functions are installed on first use */
    CHECK_EQ(OS_HttpPost("http://127.0.0.1:9/x", NULL, 0, "{}", 2, NULL, 0), 701);
    CHECK_EQ(OS_HttpGet("", response, (int)sizeof(response)), 700);
    CHECK_EQ(OS_HttpGet("http://127.0.0.1:9/x", NULL, 0), 700);
    CHECK_EQ(get_ca_file() == NULL, 1);
    OS_SetCaFile("/etc/ssl/certs/ca-certificates.crt");
    CHECK_EQ(strcmp(get_ca_file(), "/etc/ssl/certs/ca-certificates.crt"), 0);
    if (failures) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("1 passed, 0 failed\n");
    return 0;
}
