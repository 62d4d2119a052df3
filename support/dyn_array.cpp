// DynArray: growth and shrink steered by min_fill, alias tracking, and the two array file formats.
// A reallocation always takes a fresh buffer, copies the elements in use and frees the old one.
// The readers never trust a header: sizes are checked for overflow and against the bytes the
// stream actually holds before the array is handed out.
#include "support/dyn_array.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double CAPACITY_LIMIT = 4294967296.0;  // 2^32: capacities are 32-bit
constexpr size_t READ_CHUNK = 64 * 1024;

[[noreturn]] void array_abort(const char* why) {
  fprintf(stderr, "DynArray: %s\n", why);
  fflush(stderr);
  abort();
}

// malloc that never returns null: a failed allocation would otherwise be written through.
uint8_t* alloc_bytes(uint64_t bytes) {
  if (bytes > SIZE_MAX) array_abort("buffer too large");
  void* p = malloc(bytes ? size_t(bytes) : 1);
  if (!p) array_abort("out of memory");
  return static_cast<uint8_t*>(p);
}

void update_alias(DynArray* array) {
  // The alias is a pointer variable of the caller's own type; copy the address into it bytewise.
  if (array->alias) memcpy(array->alias, &array->data, sizeof array->data);
}

double growth_divisor(float min_fill) { return 0.005 * min_fill + 0.5; }

// trunc(needed / D), never below needed: a min_fill outside 0..100 (or float rounding of a large
// sum) must not leave too few slots.
uint32_t capacity_for(double needed, float min_fill, uint32_t at_least) {
  double c = std::trunc(needed / growth_divisor(min_fill));
  if (!(c >= 0.0 && c < CAPACITY_LIMIT)) c = at_least;
  return umax(uint32_t(c), at_least);
}

// Moves the array to a buffer of new_capacity slots keeping the first `keep` elements. When old is
// given, the old buffer is handed back instead of freed, so that a source element inside it can
// still be copied.
void reallocate(DynArray* array, uint32_t new_capacity, uint32_t keep, uint8_t** old = nullptr) {
  uint8_t* fresh = alloc_bytes(uint64_t(new_capacity) * array->elem_size);
  if (keep) memcpy(fresh, array->data, size_t(keep) * array->elem_size);
  if (old)
    *old = array->data;
  else
    free(array->data);
  array->data = fresh;
  array->capacity = new_capacity;
  update_alias(array);
}

uint8_t* slot(const DynArray* array, uint32_t index) {
  return array->data + size_t(index) * array->elem_size;
}

bool in_buffer(const DynArray* array, const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return array->data && b >= array->data &&
         b < array->data + size_t(array->capacity) * array->elem_size;
}

// Runs after count has been decreased.
void shrink(DynArray* array) {
  uint32_t c = array->count;
  float ratio = float(c) / float(array->capacity);
  if (0.01 * array->min_fill <= ratio) return;
  if (array->capacity <= array->min_capacity) return;
  uint32_t cap = umax(array->min_capacity, capacity_for(double(c), array->min_fill, c));
  reallocate(array, cap, c);
}

DynArray make(uint32_t elem_size, uint32_t capacity, uint32_t min_capacity, float min_fill) {
  DynArray a;
  a.data = alloc_bytes(uint64_t(capacity) * elem_size);
  a.alias = nullptr;
  a.count = 0;
  a.capacity = capacity;
  a.min_capacity = min_capacity;
  a.elem_size = elem_size;
  a.min_fill = min_fill;
  return a;
}

void put_u32(uint8_t* out, uint32_t v) {
  out[0] = uint8_t(v);
  out[1] = uint8_t(v >> 8);
  out[2] = uint8_t(v >> 16);
  out[3] = uint8_t(v >> 24);
}

uint32_t get_u32(const uint8_t* in) {
  return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

bool write_elements(const DynArray* array, FILE* stream) {
  size_t bytes = size_t(array->count) * array->elem_size;
  return bytes == 0 || fwrite(array->data, 1, bytes, stream) == bytes;
}

DynArray read_failed(bool* ok) {
  if (ok) *ok = false;
  return array_new(1);
}

// Reads count elements into a buffer of capacity slots. The buffer grows only as bytes actually
// arrive, so a header claiming more than the stream holds costs no more than the stream's size.
DynArray read_elements(FILE* stream, uint32_t count, uint32_t elem_size, uint32_t min_capacity,
                       float min_fill, bool* ok) {
  double wanted = std::trunc(double(count) / growth_divisor(min_fill));
  if (!(wanted >= 0.0 && wanted < CAPACITY_LIMIT)) return read_failed(ok);
  uint32_t capacity = umax(min_capacity, umax(uint32_t(wanted), count));
  uint64_t buffer_bytes = uint64_t(capacity) * elem_size;
  uint64_t data_bytes = uint64_t(count) * elem_size;
  // The elements are checked against the bytes that really arrive (below); only the slack that a
  // stored min_capacity asks for on top of them is capped here.
  uint64_t needed_bytes = uint64_t(umax(uint32_t(wanted), count)) * elem_size;
  if (buffer_bytes > needed_bytes && buffer_bytes > ARRAY_READ_MAX_BYTES) return read_failed(ok);
  if (buffer_bytes > SIZE_MAX / 2) return read_failed(ok);  // more than this process can address

  size_t size = size_t(data_bytes < READ_CHUNK ? data_bytes : READ_CHUNK);
  uint8_t* buffer = alloc_bytes(size);
  size_t have = 0;
  while (have < data_bytes) {
    if (have == size) {
      size = size_t(data_bytes - size < size ? data_bytes : size * 2);
      void* bigger = realloc(buffer, size);
      if (!bigger) {
        free(buffer);
        return read_failed(ok);  // a file larger than memory is refused, not half read
      }
      buffer = static_cast<uint8_t*>(bigger);
    }
    size_t got = fread(buffer + have, 1, size - have, stream);
    if (got == 0) break;
    have += got;
  }
  if (have < data_bytes) {
    free(buffer);
    return read_failed(ok);
  }
  if (buffer_bytes > size) {
    void* bigger = realloc(buffer, size_t(buffer_bytes));
    if (!bigger) {
      free(buffer);
      return read_failed(ok);
    }
    buffer = static_cast<uint8_t*>(bigger);
  }
  DynArray a;
  a.data = buffer;
  a.alias = nullptr;
  a.count = count;
  a.capacity = capacity;
  a.min_capacity = min_capacity;
  a.elem_size = elem_size;
  a.min_fill = min_fill;
  if (ok) *ok = true;
  return a;
}

}  // namespace

// ---- Construction ------------------------------------------------------------------------------

DynArray array_new(uint32_t elem_size) {
  return make(elem_size, ARRAY_DEFAULT_CAPACITY, ARRAY_DEFAULT_CAPACITY, ARRAY_DEFAULT_MIN_FILL);
}

DynArray array_new_sized(uint32_t elem_size, uint32_t n, int filled) {
  DynArray a = make(elem_size, n, n, ARRAY_DEFAULT_MIN_FILL);
  if (filled) a.count = n;
  return a;
}

DynArray array_clone(DynArray array) {
  DynArray a = array;
  size_t bytes = size_t(array.capacity) * array.elem_size;
  a.data = alloc_bytes(bytes);
  if (bytes) memcpy(a.data, array.data, bytes);
  a.alias = nullptr;
  return a;
}

// ---- Changing operations -----------------------------------------------------------------------

uint32_t array_push(DynArray* array, const void* element) {
  uint8_t* old = nullptr;
  if (array->count >= array->capacity) {
    uint64_t needed = uint64_t(array->count) + 1;
    if (needed > UINT32_MAX) array_abort("too many elements");
    reallocate(array, capacity_for(double(needed), array->min_fill, uint32_t(needed)),
               array->count, &old);
  }
  uint32_t index = array->count;
  memcpy(slot(array, index), element, array->elem_size);
  free(old);
  array->count++;
  return index;
}

void* array_grow(DynArray* array, uint32_t n) {
  uint64_t needed = uint64_t(array->count) + n;
  if (needed > UINT32_MAX) array_abort("too many elements");
  if (needed > array->capacity) {
    // The sum goes through single precision before the division, as the growth rule has it.
    float sum = float(uint32_t(needed));
    reallocate(array, capacity_for(double(sum), array->min_fill, uint32_t(needed)), array->count);
  }
  uint8_t* first = slot(array, array->count);
  array->count = uint32_t(needed);
  return first;
}

void array_insert(DynArray* array, const void* element, uint32_t index) {
  if (index > array->count) index = array->count;
  // A source inside the buffer would be moved or freed under our feet: copy it aside first.
  uint8_t* copy = nullptr;
  if (in_buffer(array, element)) {
    copy = alloc_bytes(array->elem_size);
    memcpy(copy, element, array->elem_size);
    element = copy;
  }
  if (array->count >= array->capacity) {
    uint64_t needed = uint64_t(array->count) + 1;
    if (needed > UINT32_MAX) array_abort("too many elements");
    reallocate(array, capacity_for(double(needed), array->min_fill, uint32_t(needed)),
               array->count);
  }
  for (uint32_t i = array->count; i > index; i--)
    memcpy(slot(array, i), slot(array, i - 1), array->elem_size);
  memcpy(slot(array, index), element, array->elem_size);
  array->count++;
  free(copy);
}

void array_remove_swap(DynArray* array, uint32_t index) {
  if (index >= array->count) return;
  uint32_t last = array->count - 1;
  if (index != last) memcpy(slot(array, index), slot(array, last), array->elem_size);
  array->count--;
  shrink(array);
}

void array_remove(DynArray* array, uint32_t index) {
  if (index >= array->count) return;
  array->count--;
  for (uint32_t i = index; i < array->count; i++)
    memcpy(slot(array, i), slot(array, i + 1), array->elem_size);
  shrink(array);
}

void array_remove_value(DynArray* array, const void* key) {
  int32_t index = array_find(array, key);
  if (index >= 0) array_remove_swap(array, uint32_t(index));
}

void array_clear(DynArray* array) {
  free(array->data);
  array->count = 0;
  array->capacity = array->min_capacity;
  array->data = alloc_bytes(uint64_t(array->min_capacity) * array->elem_size);
  update_alias(array);
}

void array_shrink_to_fit(DynArray* array) {
  reallocate(array, array->count, array->count);
}

void array_sort(DynArray* array, int (*compare)(const void*, const void*)) {
  if (array->count > 1) qsort(array->data, array->count, array->elem_size, compare);
}

void** array_set_alias(DynArray* array, void* pointer_variable) {
  void** previous = array->alias;
  array->alias = static_cast<void**>(pointer_variable);
  update_alias(array);
  return previous;
}

// ---- Queries -----------------------------------------------------------------------------------

int32_t array_find(const DynArray* array, const void* key) {
  for (uint32_t i = array->count; i-- > 0;)
    if (memcmp(slot(array, i), key, array->elem_size) == 0) return int32_t(i);
  return -1;
}

// ---- Release -----------------------------------------------------------------------------------

void array_free(DynArray array) {
  uint8_t* none = nullptr;
  if (array.alias) memcpy(array.alias, &none, sizeof none);
  free(array.data);
}

void array_delete(DynArray* array) {
  if (!array) return;
  array_free(*array);
  free(array);
}

// ---- Files -------------------------------------------------------------------------------------

int array_write(const DynArray* array, FILE* stream) {
  uint8_t header[16];
  put_u32(header, array->count);
  put_u32(header + 4, array->elem_size);
  put_u32(header + 8, array->min_capacity);
  uint32_t fill_bits;
  memcpy(&fill_bits, &array->min_fill, 4);
  put_u32(header + 12, fill_bits);
  bool ok = fwrite(header, 1, sizeof header, stream) == sizeof header;
  ok = write_elements(array, stream) && ok;
  return ok && !ferror(stream);
}

int array_write_compact(const DynArray* array, FILE* stream) {
  // One byte holds the element size: a larger one would write a file that reads back wrong.
  if (array->elem_size > 255) return 0;
  uint8_t header[5];
  put_u32(header, array->count);
  header[4] = uint8_t(array->elem_size);
  bool ok = fwrite(header, 1, sizeof header, stream) == sizeof header;
  ok = write_elements(array, stream) && ok;
  return ok && !ferror(stream);
}

DynArray array_read(FILE* stream, bool* ok) {
  uint8_t header[16];
  if (!stream || fread(header, 1, sizeof header, stream) != sizeof header) return read_failed(ok);
  uint32_t count = get_u32(header);
  uint32_t elem_size = get_u32(header + 4);
  uint32_t min_capacity = get_u32(header + 8);
  uint32_t fill_bits = get_u32(header + 12);
  float min_fill;
  memcpy(&min_fill, &fill_bits, 4);
  // Outside 0..100 (or NaN) the growth rule would leave fewer slots than elements.
  if (!(min_fill >= 0.0f && min_fill <= 100.0f)) return read_failed(ok);
  return read_elements(stream, count, elem_size, min_capacity, min_fill, ok);
}

DynArray array_read_compact(FILE* stream, bool* ok) {
  uint8_t header[5];
  if (!stream || fread(header, 1, sizeof header, stream) != sizeof header) return read_failed(ok);
  return read_elements(stream, get_u32(header), header[4], ARRAY_DEFAULT_CAPACITY,
                       ARRAY_DEFAULT_MIN_FILL, ok);
}

int array_save(const DynArray* array, const char* path) {
  if (array->elem_size > 255 || !path) return 0;
  FILE* f = fopen(path, "wb");
  if (!f) return 0;
  int ok = array_write_compact(array, f);
  if (fclose(f) != 0) ok = 0;
  return ok;
}

DynArray array_load(const char* path, bool* ok) {
  FILE* f = path ? fopen(path, "rb") : nullptr;
  if (!f) return read_failed(ok);
  DynArray a = array_read_compact(f, ok);
  fclose(f);
  return a;
}

// ---- Integer helpers ---------------------------------------------------------------------------

uint32_t next_pow2(uint32_t v) {
  if ((v & (v - 1)) == 0) return v;
  v |= v >> 1;
  v |= v >> 2;
  v |= v >> 4;
  v |= v >> 8;
  v |= v >> 16;
  return v + 1;
}

uint32_t umax(uint32_t a, uint32_t b) { return a > b ? a : b; }
