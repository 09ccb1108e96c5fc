/* A player written in C against the installed headers alone: creates a handle from the default
 * record, sets options through the version-2 table, queries the handle and destroys it. */
#include <stdio.h>
#include <string.h>

#include "vrio/llog.h"
#include "vrio/osal.h"
#include "vrio/vrio_layout_check.h"
#include "vrio/zeq_net_api.h"

static int failures = 0;

#define CHECK_EQ(a, b)                                                                     \
    do {                                                                                   \
        long long va_ = (long long)(a), vb_ = (long long)(b);                              \
        if (va_ != vb_) {                                                                  \
            fprintf(stderr, "%s:%d: %s == %lld, expected %lld\n", __FILE__, __LINE__, #a, va_, vb_); \
            ++failures;                                                                    \
        }                                                                                  \
    } while (0)

static int log_lines = 0;
static int player_log(void* user, int level, const char* fmt, va_list args) {
    (void)user;
    (void)level;
    (void)fmt;
    (void)args;
    ++log_lines;
    return 0;
}

int main(void) {
    vrio_net_config cfg = zeq_net_get_default_cfg();
    CHECK_EQ(cfg.LogLevel, 2);
    CHECK_EQ(cfg.BufferingDuration, 1500);
    cfg.LogCallback = player_log;
    strcpy(cfg.HelpSupportIDPrefix, "c-player");

    const vrio_funcs* funcs = get_vrio_funcs(2);
    if (!funcs) {
        fprintf(stderr, "no version-2 table\n");
        return 1;
    }
    CHECK_EQ(funcs->version, 2);
    CHECK_EQ(funcs->set_option("AutoReconnect", "true"), 0);
    CHECK_EQ(funcs->set_option("BufferingDuration", "400"), 0);
    CHECK_EQ(funcs->set_option("AudioFormat", "opus"), 0);
    CHECK_EQ(funcs->set_option("LogLevel", "1000"), ZEQ_NET_EINVAL);
    CHECK_EQ(funcs->set_option("NoSuchKey", "1"), ZEQ_NET_ENODEV);
    CHECK_EQ(funcs->set_option(NULL, "1"), ZEQ_NET_EINVAL);

    zeq_net_conn* h = zeq_net_create_connection(&cfg);
    if (!h) {
        fprintf(stderr, "create failed\n");
        return 1;
    }
    long long cache = 0;
    char version[128];
    CHECK_EQ(zeq_net_get_param(h, 1, 0, &cache), ZEQ_NET_EINVAL); /* not opened */
    CHECK_EQ(zeq_net_ioctl(h, 1, "get_version", version), ZEQ_NET_EINVAL);
    CHECK_EQ(zeq_net_subscribe_close(h, 1), 0);
    CHECK_EQ(zeq_net_subscribe_update(h, 1, NULL), ZEQ_NET_EFAIL);

    vrio_frame* f = alloc_frame("abc", 3, 1, 5);
    CHECK_EQ(f != NULL, 1);
    if (f) {
        CHECK_EQ(f->size, 3);
        f->release(f);
    }
    CHECK_EQ(zeq_net_destroy_connection(h), 0);
    CHECK_EQ(zeq_net_destroy_connection(h), ZEQ_NET_EFAIL);

    CHECK_EQ(osal_malloc(0) == NULL, 1);
    CHECK_EQ(osal_lock(NULL), 0);
    CHECK_EQ(gLLogLevelVal, 3);
    CHECK_EQ(strlen(VRIO_SDK_VERSION), 76);

    if (failures) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("c player: all checks passed\n");
    return 0;
}
