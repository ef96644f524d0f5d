// Loaded ahead of the C library into a program under test (LD_PRELOAD), it
// makes every attempt to start a thread fail as it does when the system has
// no more to give.
#include <errno.h>
#include <pthread.h>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) { return EAGAIN; }
