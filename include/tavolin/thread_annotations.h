// Copyright Tavolin developers.
//
// Clang thread-safety annotations; they compile to nothing elsewhere.

#ifndef TAVOLIN_THREAD_ANNOTATIONS_H_
#define TAVOLIN_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define TAVOLIN_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define TAVOLIN_THREAD_ANNOTATION(x)
#endif

#define GUARDED_BY(x) TAVOLIN_THREAD_ANNOTATION(guarded_by(x))
#define EXCLUSIVE_LOCKS_REQUIRED(...) \
  TAVOLIN_THREAD_ANNOTATION(exclusive_locks_required(__VA_ARGS__))
#define LOCKS_EXCLUDED(...) TAVOLIN_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

#endif  // TAVOLIN_THREAD_ANNOTATIONS_H_
