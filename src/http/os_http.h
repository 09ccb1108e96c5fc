/* HTTP entry points of the library, for its own modules and for embedders.
 *
 * Every request goes through an installed GET or POST function. By default (and whenever none is
 * installed) those are the bridge's: the request is handed to the host's script runtime through
 * the native module "VrioSDK" and answered by the script. An embedder without a script runtime
 * installs its own functions with set_http_get_func / set_http_post_func.
 *
 * Results of the bridge: 200 (HTTP 200 with a body, copied into `response`), any other HTTP
 * status the script reported (`response` left empty), 700 invalid arguments, 701 the request could
 * not be handed to the script thread, 702 HTTP 200 with an empty body, 703 no answer in time. */
#ifndef VRIO_OS_HTTP_H
#define VRIO_OS_HTTP_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int (*os_http_get_func)(const char* url, char* response, int response_size);
typedef int (*os_http_post_func)(const char* url, const char** headers, int header_count, const void* body,
                                 int body_len, char* response, int response_size);
/* `response` is valid only during the call. */
typedef void (*os_http_async_callback)(void* user, int result, char* response);

void set_http_get_func(os_http_get_func get);
void set_http_post_func(os_http_post_func post);
/* Installs the bridge's GET and POST functions; the arguments are ignored. */
void set_http_functions(const void* ignored_get, const void* ignored_post);
/* 1 when both a GET and a POST function are installed, else 0. */
int check_http_os_func(void);

/* Stores a copy of the CA file path for the embedder's HTTP functions; get_ca_file returns it (NULL
 * when never set). A returned path stays valid for the life of the process. */
void OS_SetCaFile(const char* path);
const char* get_ca_file(void);

int OS_HttpGet(const char* url, char* response, int response_size);
/* With header_count 0 the request carries the single header "Content-Type:application/json". */
int OS_HttpPost(const char* url, const char** headers, int header_count, const void* body, int body_len,
                char* response, int response_size);

/* Run the request on a detached thread with a 65536-byte response buffer and then call `callback`
 * (when given) with the result. Everything passed in is copied first. 0 when the thread started;
 * -1 otherwise (the callback is then never called). */
int OS_HttpGet_ASync(const char* url, os_http_async_callback callback, void* user);
int OS_HttpPost_ASync(const char* url, const char** headers, int header_count, const void* body, int body_len,
                      os_http_async_callback callback, void* user);

#ifdef __cplusplus
}
#endif

#endif
