// DynArray: the one growable container. Elements of one fixed size are copied in and out as raw
// bytes; the capacity grows and shrinks with a per-array fill percentage (min_fill); an optional
// alias keeps a caller's typed pointer variable equal to the buffer after every reallocation.
// Arrays can be written to and read from binary streams in a full (16-byte header) and a compact
// (5-byte header) format. The readers check the header against the stream before allocating.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "vt_api.h"

VT_BEGIN_DECLS

enum { ARRAY_DEFAULT_CAPACITY = 1 };
#define ARRAY_DEFAULT_MIN_FILL (60.0f)

// Most a reader allocates beyond the elements the stream really holds, for a stored min_capacity
// larger than they need. The elements themselves may take any size the stream holds.
#define ARRAY_READ_MAX_BYTES ((uint64_t)1 << 28)

typedef struct DynArray DynArray;
struct DynArray {
  uint8_t* data;          // capacity x elem_size bytes (malloc)
  void** alias;           // a caller's pointer variable kept equal to data, or null
  uint32_t count;         // elements in use, at the front of the buffer
  uint32_t capacity;      // elements the buffer can hold
  uint32_t min_capacity;  // never shrinks below this; array_clear returns to it
  uint32_t elem_size;     // bytes per element
  float min_fill;         // percentage 0..100: shrink below it, grow to midway between it and 100
};

// ---- Construction (alias null) -----------------------------------------------------------------
VT_API DynArray array_new(uint32_t elem_size);
// capacity = min_capacity = n; count = n (uninitialised elements) when filled is non-zero, else 0.
VT_API DynArray array_new_sized(uint32_t elem_size, uint32_t n, int filled);
// A copy of the whole buffer (all capacity slots), every field but the alias.
VT_API DynArray array_clone(DynArray array);

// ---- Changing operations -----------------------------------------------------------------------
// Appends a copy of the element; returns its index. The element may lie in the array's own buffer.
VT_API uint32_t array_push(DynArray* array, const void* element);
// Adds n uninitialised elements; returns the address of the first.
VT_API void* array_grow(DynArray* array, uint32_t n);
// Inserts a copy of the element at index, moving the later ones up (an index beyond count appends).
VT_API void array_insert(DynArray* array, const void* element, uint32_t index);
// Removes the element at index by moving the last one into its place (indices >= count: nothing).
VT_API void array_remove_swap(DynArray* array, uint32_t index);
// Removes the element at index keeping the order (indices >= count: nothing).
VT_API void array_remove(DynArray* array, uint32_t index);
// Removes the last element equal to the key (order not kept).
VT_API void array_remove_value(DynArray* array, const void* key);
// Empties the array and returns it to min_capacity.
VT_API void array_clear(DynArray* array);
// capacity = count (possibly 0; the buffer then holds one byte).
VT_API void array_shrink_to_fit(DynArray* array);
VT_API void array_sort(DynArray* array, int (*compare)(const void*, const void*));
// pointer_variable: the address of a pointer variable of any type (e.g. Font*** for Font** fonts),
// or null to detach. It receives data at once. Returns the previous alias, which is not cleared.
VT_API void** array_set_alias(DynArray* array, void* pointer_variable);

// ---- Queries -----------------------------------------------------------------------------------
// Highest index whose element equals the key byte for byte, or -1.
VT_API int32_t array_find(const DynArray* array, const void* key);

// ---- Release (stores null through the alias) ---------------------------------------------------
VT_API void array_free(DynArray array);
VT_API void array_delete(DynArray* array);  // for a DynArray record allocated with malloc

// ---- Files (binary streams) --------------------------------------------------------------------
// Writers return 1 when every byte was handed to the stream without error, else 0.
VT_API int array_write(const DynArray* array, FILE* stream);
VT_API int array_write_compact(const DynArray* array, FILE* stream);  // elem_size must be <= 255
// Readers: on a short, empty or lying stream they return an empty array_new(1) and set *ok to
// false (ok may be null); no partly filled array is ever returned.
VT_API DynArray array_read(FILE* stream, bool* ok VT_DEFAULT(nullptr));
VT_API DynArray array_read_compact(FILE* stream, bool* ok VT_DEFAULT(nullptr));
// Compact format through a file path. array_save returns 1 on success, 0 when the file cannot be
// opened or written. array_load fails like the readers, also when the file cannot be opened.
VT_API int array_save(const DynArray* array, const char* path);
VT_API DynArray array_load(const char* path, bool* ok VT_DEFAULT(nullptr));

// ---- Integer helpers ---------------------------------------------------------------------------
// v if 0 or a power of two, else the next one; above 2^31: 0
VT_API uint32_t next_pow2(uint32_t v);
VT_API uint32_t umax(uint32_t a, uint32_t b);

VT_END_DECLS
