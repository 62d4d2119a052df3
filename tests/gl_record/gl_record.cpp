// The recording gl* functions: each notes its name and arguments and calls the library's own
// function, found once with dlsym(RTLD_NEXT).
#include "gl_record/gl_record.h"

#include <GL/gl.h>
#include <dlfcn.h>

#include <cstdlib>

namespace gl_record {
namespace {
bool recording = false;
std::vector<Call> calls;
}  // namespace

void start() {
  calls.clear();
  recording = true;
}

std::vector<Call> stop() {
  recording = false;
  return std::move(calls);
}

std::vector<Call> only(const std::vector<Call>& all, const std::string& name) {
  std::vector<Call> out;
  for (const Call& c : all)
    if (c.name == name) out.push_back(c);
  return out;
}

void note(const char* name, std::vector<double> args) {
  if (recording) calls.push_back({name, std::move(args)});
}

void* real(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (!f) abort();
  return f;
}

}  // namespace gl_record

// One forwarding definition per function: note the call, then call through.
#define FORWARD(ret, name, params, args, ...)                                   \
  extern "C" ret name params {                                                  \
    gl_record::note(#name, {__VA_ARGS__});                                      \
    static auto next = reinterpret_cast<ret(*) params>(gl_record::real(#name)); \
    return next args;                                                           \
  }

FORWARD(void, glBegin, (GLenum m), (m), double(m))
FORWARD(void, glEnd, (), ())
FORWARD(void, glVertex2f, (GLfloat x, GLfloat y), (x, y), x, y)
FORWARD(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glVertex3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z), x, y, z)
FORWARD(void, glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
FORWARD(void, glNormal3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z), x, y, z)
FORWARD(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t), s, t)
FORWARD(void, glTexCoord2d, (GLdouble s, GLdouble t), (s, t), s, t)
FORWARD(void, glTexCoord3f, (GLfloat s, GLfloat t, GLfloat r), (s, t, r), s, t, r)
FORWARD(void, glColor3ub, (GLubyte r, GLubyte g, GLubyte b), (r, g, b), double(r), double(g),
        double(b))
FORWARD(void, glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b), r, g, b)
FORWARD(void, glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a), r, g, b, a)
FORWARD(void, glPushAttrib, (GLbitfield m), (m), double(m))
FORWARD(void, glPopAttrib, (), ())
FORWARD(void, glEnable, (GLenum c), (c), double(c))
FORWARD(void, glDisable, (GLenum c), (c), double(c))
FORWARD(void, glBlendFunc, (GLenum s, GLenum d), (s, d), double(s), double(d))
FORWARD(void, glAlphaFunc, (GLenum f, GLclampf r), (f, r), double(f), r)
FORWARD(void, glBindTexture, (GLenum t, GLuint n), (t, n), double(t), double(n))
FORWARD(void, glCopyTexImage2D,
        (GLenum t, GLint l, GLenum f, GLint x, GLint y, GLsizei w, GLsizei h, GLint b),
        (t, l, f, x, y, w, h, b), double(t), double(l), double(f), double(x), double(y),
        double(w), double(h), double(b))
FORWARD(void, glTexParameterf, (GLenum t, GLenum p, GLfloat v), (t, p, v), double(t), double(p), v)
FORWARD(void, glClear, (GLbitfield m), (m), double(m))
FORWARD(void, glPushMatrix, (), ())
FORWARD(void, glPopMatrix, (), ())
FORWARD(void, glLoadIdentity, (), ())
