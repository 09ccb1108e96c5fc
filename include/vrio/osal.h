/* OS abstraction layer: threads, locks, conditions, clock, sleep, heap, random numbers.
 * Exported C face of the layer; the host may call it too. Nothing here throws or aborts:
 * misuse is written to the system log and the call returns. */
#ifndef VRIO_OSAL_H
#define VRIO_OSAL_H

#include <pthread.h>
#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int osal_bool_t; /* predicates: 1 means "keep waiting" / true */

typedef struct osal_lock_tag osal_lock_tag;           /* POSIX mutex + its type */
typedef struct osal_cond_tag osal_cond_t;             /* POSIX condition variable */
typedef struct osal_cond_pred_tag osal_cond_pred_t;   /* condition for predicate waits */
typedef struct osal_cond_safe_tag osal_cond_safe_t;   /* condition + signalled flag */
typedef struct osal_thread_handle_tag osal_thread_handle; /* heap cell with the native thread id */

/* What osal_thread_create fills. `handle` is NULL while no thread is attached;
 * `lock` guards `handle` (created by the owner of the record). */
typedef struct osal_thread_t {
    osal_thread_handle* handle;
    osal_lock_tag* lock;
} osal_thread_t;

void* osal_malloc(int size);
void osal_free(void* ptr);

osal_lock_tag* osal_create_lock(int type); /* type != 0: recursive */
void osal_delete_lock(osal_lock_tag* lock);
int osal_lock(osal_lock_tag* lock);    /* 0 for a NULL lock */
int osal_unlock(osal_lock_tag* lock);  /* 0 for a NULL lock */
int osal_trylock(osal_lock_tag* lock); /* -1 for a NULL lock */
int osal_create_lock_threadsafe(int type, osal_lock_tag** lock);
int delete_lock_threadsafe(osal_lock_tag** lock);

osal_cond_t* osal_cond_create(const pthread_condattr_t* attr);
int osal_cond_destroy(osal_cond_t* cond);
int osal_cond_signal(osal_cond_t* cond);
int osal_cond_broadcast(osal_cond_t* cond);
int osal_cond_wait(osal_cond_t* cond, osal_lock_tag* lock);
int osal_cond_timedwait(osal_cond_t* cond, osal_lock_tag* lock, const struct timespec* deadline);
int osal_cond_timedwait_interval(osal_cond_t* cond, osal_lock_tag* lock, int interval_ms);

osal_cond_pred_t* osal_cond_pred_create(const pthread_condattr_t* attr);
int osal_cond_pred_destroy(osal_cond_pred_t* cond);
int osal_cond_pred_signal(osal_cond_pred_t* cond);
/* 0 when the predicate ended the wait, 1 when the interval ran out. */
int osal_cond_pred_timedwait_interval(osal_cond_pred_t* cond, osal_lock_tag* lock, int interval_ms,
                                      osal_bool_t (*pred)(void*), void* arg);

osal_cond_safe_t* osal_cond_safe_create(const pthread_condattr_t* attr);
int osal_cond_safe_destroy(osal_cond_safe_t* cond);
int osal_cond_safe_signal(osal_cond_safe_t* cond);
int osal_cond_safe_timedwait_interval(osal_cond_safe_t* cond, osal_lock_tag* lock, int interval_ms);

int osal_thread_create(osal_thread_t* thread, void* (*fn)(void*), void* arg);
int osal_thread_set_name(const char* name);
int osal_thread_join(osal_thread_handle* handle, void** result);
int osal_thread_detach(osal_thread_handle* handle);

int64_t osal_get_time_ms(void);          /* wall clock, ms since the Unix epoch */
int64_t osal_get_relative_time_ms(void); /* osal_get_time_ms() + 42 hours */
void osal_sleep_ms(int interval_ms);

void osal_srand(unsigned int seed);
int osal_rand(void);        /* 15 bits */
int64_t osal_rand64(void);  /* bits 0-14 and 32-46 only */

#ifdef __cplusplus
}
#endif

#endif
