// OpenGL 1.1 over WebGL 2: the subset of the fixed-function API that the library, the player and
// the gallery call, under the real gl* names, so their drawing code builds for the browser as it is.
// Vertices go through the matrix stacks and the lighting on the CPU (in doubles, as the desktop
// drivers' own software paths do) and collect in one batch, drawn when a state change needs it by
// a small program made for the batch's fragment set-up; textures keep a CPU copy of every level for glGetTexImage. Points of
// size 1 are put on their pixel's centre and pixel rectangles are drawn as nearest-sampled quads
// over exactly their pixels, so decoded pictures come out as on the desktop, bit for bit.
// Not here: display lists, evaluators, feedback, selection, accumulation, fog, stencil, clip
// planes and texture matrices (enabled caps are recorded for glIsEnabled and otherwise ignored).
#include "host/web/web_gl.h"

#include <GL/gl.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

// ---- WebGL 2 (the OpenGL ES 3.0 calls under Emscripten's second names) ---------------------------
extern "C" {
void emscripten_glActiveTexture(GLenum);
void emscripten_glAttachShader(GLuint, GLuint);
void emscripten_glBindAttribLocation(GLuint, GLuint, const char*);
void emscripten_glBindBuffer(GLenum, GLuint);
void emscripten_glBindFramebuffer(GLenum, GLuint);
void emscripten_glBindRenderbuffer(GLenum, GLuint);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glBlendFunc(GLenum, GLenum);
void emscripten_glBlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                                  GLenum);
void emscripten_glBufferData(GLenum, long, const void*, GLenum);
void emscripten_glClear(GLbitfield);
void emscripten_glClearColor(GLfloat, GLfloat, GLfloat, GLfloat);
void emscripten_glClearDepthf(GLfloat);
void emscripten_glColorMask(GLboolean, GLboolean, GLboolean, GLboolean);
void emscripten_glCompileShader(GLuint);
GLuint emscripten_glCreateProgram();
GLuint emscripten_glCreateShader(GLenum);
void emscripten_glDeleteTextures(GLsizei, const GLuint*);
void emscripten_glDepthFunc(GLenum);
void emscripten_glDepthMask(GLboolean);
void emscripten_glDisable(GLenum);
void emscripten_glDrawArrays(GLenum, GLint, GLsizei);
void emscripten_glEnable(GLenum);
void emscripten_glEnableVertexAttribArray(GLuint);
void emscripten_glFramebufferRenderbuffer(GLenum, GLenum, GLenum, GLuint);
void emscripten_glGenBuffers(GLsizei, GLuint*);
void emscripten_glGenFramebuffers(GLsizei, GLuint*);
void emscripten_glGenRenderbuffers(GLsizei, GLuint*);
void emscripten_glGenTextures(GLsizei, GLuint*);
void emscripten_glGenVertexArrays(GLsizei, GLuint*);
void emscripten_glBindVertexArray(GLuint);
void emscripten_glGetIntegerv(GLenum, GLint*);
GLint emscripten_glGetUniformLocation(GLuint, const char*);
void emscripten_glLinkProgram(GLuint);
void emscripten_glPixelStorei(GLenum, GLint);
void emscripten_glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
void emscripten_glRenderbufferStorage(GLenum, GLenum, GLsizei, GLsizei);
void emscripten_glScissor(GLint, GLint, GLsizei, GLsizei);
void emscripten_glShaderSource(GLuint, GLsizei, const char* const*, const GLint*);
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*);
void emscripten_glTexParameteri(GLenum, GLenum, GLint);
void emscripten_glTexSubImage2D(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,
                                const void*);
void emscripten_glUniform1f(GLint, GLfloat);
void emscripten_glUniform1i(GLint, GLint);
void emscripten_glUniform2f(GLint, GLfloat, GLfloat);
void emscripten_glUseProgram(GLuint);
void emscripten_glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*);
void emscripten_glViewport(GLint, GLint, GLsizei, GLsizei);
}

namespace {

// ES 3.0 names the desktop 1.1 header does not have.
constexpr GLenum kArrayBuffer = 0x8892, kStreamDraw = 0x88E0, kFragmentShader = 0x8B30,
                 kVertexShader = 0x8B31, kFramebuffer = 0x8D40, kReadFramebuffer = 0x8CA8,
                 kDrawFramebuffer = 0x8CA9, kRenderbuffer = 0x8D41, kColourAttachment0 = 0x8CE0,
                 kDepthAttachment = 0x8D00, kRgba8 = 0x8058, kDepth24 = 0x81A6,
                 kClampToEdge = 0x812F, kTexture0 = 0x84C0, kMaxRenderbufferSize = 0x84E8,
                 kCubeMap = 0x8513, kCubeFace0 = 0x8515,
                 kBgr = 0x80E0, kBgra = 0x80E1, kMaxCubeMapSize = 0x851C,
                 kTextureBinding2D = 0x8069, kTextureBindingCube = 0x8514;

using Mat = double[16];  // column-major, as OpenGL lays matrices out

// Base formats of a texture: which of colour and alpha a texel has.
enum Base { BASE_L, BASE_LA, BASE_RGB, BASE_RGBA, BASE_A, BASE_I };

struct Level {
  int w = 0, h = 0;
  GLint internal = 0;
  Base base = BASE_RGBA;
  std::vector<uint8_t> rgba;  // as sampled: L as (L,L,L,1), A as (0,0,0,A), I as (I,I,I,I)
};

struct Texture {
  GLuint gl = 0;
  GLenum target = 0;  // 0 until first bound
  std::vector<Level> faces[6];
  GLint min_filter = GL_NEAREST_MIPMAP_LINEAR, mag_filter = GL_LINEAR;
  GLint wrap_s = GL_REPEAT, wrap_t = GL_REPEAT;
  GLfloat priority = 1;  // kept only to be read back: programs may tag their textures with it
};

struct Light {
  double ambient[4] = {0, 0, 0, 1}, diffuse[4] = {0, 0, 0, 1}, specular[4] = {0, 0, 0, 1};
  double position[4] = {0, 0, 1, 0};  // eye space
  double attenuation[3] = {1, 0, 0};
};

struct Material {
  double ambient[4] = {0.2, 0.2, 0.2, 1}, diffuse[4] = {0.8, 0.8, 0.8, 1},
         specular[4] = {0, 0, 0, 1}, emission[4] = {0, 0, 0, 1};
  double shininess = 0;
};

// What glPushAttrib saves and glPopAttrib restores, group by group.
struct Attrib {
  // current
  double colour[4] = {1, 1, 1, 1}, texcoord[4] = {0, 0, 0, 1}, normal[3] = {0, 0, 1};
  bool raster_valid = true;
  double raster[3] = {0, 0, 0};
  // enables of every group
  std::map<GLenum, bool> enabled;
  // colour buffer
  GLenum alpha_func = GL_ALWAYS;
  double alpha_ref = 0;
  GLenum blend_src = GL_ONE, blend_dst = GL_ZERO;
  double clear_colour[4] = {0, 0, 0, 0};
  GLenum draw_buffer = GL_BACK;
  // depth buffer
  GLenum depth_func = GL_LESS;
  bool depth_mask = true;
  double clear_depth = 1;
  // texture
  GLuint bound_2d = 0, bound_cube = 0;
  GLenum env_mode = GL_MODULATE;
  // transform
  GLenum matrix_mode = GL_MODELVIEW;
  // pixel mode
  double scale[4] = {1, 1, 1, 1}, bias[4] = {0, 0, 0, 0};
  double zoom_x = 1, zoom_y = 1;
  GLenum read_buffer = GL_BACK;
  // lighting
  GLenum shade_model = GL_SMOOTH;
  Light lights[8];
  Material material;
  GLenum colour_material = GL_AMBIENT_AND_DIFFUSE;
  double model_ambient[4] = {0.2, 0.2, 0.2, 1};
  // scissor and viewport
  GLint scissor[4] = {0, 0, 0, 0};
  GLint viewport[4] = {0, 0, 0, 0};
  // point and line
  double point_size = 1, line_width = 1;
};

struct PixelStore {
  GLint alignment = 4, row_length = 0, skip_pixels = 0, skip_rows = 0;
  bool swap_bytes = false, lsb_first = false;
};

struct Client {
  PixelStore pack, unpack;
};

// What a draw's fragments need, fixed in its program: a shader with every branch decided runs
// several times faster in a software renderer than one that decides them per fragment.
struct FragmentKey {
  bool flat = false;   // one colour per primitive (GL_FLAT)
  int tex_mode = 0;    // 0 none, 1 2D, 2 cube map
  int border = 0;      // GL_CLAMP edges under linear filtering (see the shader)
  int env = 0;         // 0 modulate, 1 replace, 2 decal
  int base = 3;        // the texture has colour (bit 0), alpha (bit 1)
  int alpha_func = 7;  // counted from GL_NEVER; 7 (GL_ALWAYS) passes all
  int packed() const {
    return int(flat) | tex_mode << 1 | border << 3 | env << 6 | base << 8 | alpha_func << 10;
  }
};

struct Program {
  GLuint id = 0;
  GLint alpha_ref = -1, point_size = -1, tex_size = -1;
};

constexpr int kFloatsPerVertex = 12;  // clip position, colour, texture coordinates

struct Layer {
  bool ready = false;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  int width = 0, height = 0;  // the drawing buffer
  GLuint back_fbo = 0, back_colour = 0, back_depth = 0;
  std::map<int, Program> programs;  // by FragmentKey::packed
  GLuint vbo = 0, vao = 0, pixel_texture = 0;

  Attrib a;
  std::vector<Attrib> attrib_stack;
  std::vector<GLbitfield> attrib_masks;
  Client c;
  std::vector<Client> client_stack;


  std::vector<std::vector<double>> modelview{std::vector<double>(16)},
      projection{std::vector<double>(16)}, texture{std::vector<double>(16)};

  std::map<GLuint, Texture> textures;  // 0 and 0x80000000 are the default 2D and cube textures
  GLuint next_name = 1;

  // immediate mode
  bool inside_begin = false;  // between glBegin and glEnd
  GLenum begin_mode = 0;      // the glBegin's primitive (GL_POINTS is 0)
  std::vector<float> prim;  // this glBegin's vertices
  std::vector<float> batch;
  GLenum batch_prim = 0;  // GL_POINTS, GL_LINES or GL_TRIANGLES
};

Layer& L() {
  static Layer* layer = new Layer;
  return *layer;
}

// ---- matrices -------------------------------------------------------------------------------------

void identity(double* m) {
  for (int i = 0; i < 16; i++) m[i] = (i % 5 == 0) ? 1 : 0;
}

std::vector<double>& top() {
  Layer& l = L();
  auto& s = l.a.matrix_mode == GL_PROJECTION ? l.projection
            : l.a.matrix_mode == GL_TEXTURE  ? l.texture
                                             : l.modelview;
  return s.back();
}

void multiply_top(const double* m) {
  std::vector<double>& t = top();
  double r[16];
  for (int c = 0; c < 4; c++)
    for (int row = 0; row < 4; row++) {
      double sum = 0;
      for (int k = 0; k < 4; k++) sum += t[k * 4 + row] * m[c * 4 + k];
      r[c * 4 + row] = sum;
    }
  std::memcpy(t.data(), r, sizeof r);
}

void transform(const double* m, const double* v, double* out) {
  for (int row = 0; row < 4; row++)
    out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
}

// The normal matrix: the inverse transpose of the modelview's upper 3x3.
void normal_matrix(const double* m, double n[9]) {
  const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
               i = m[10];
  double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (det == 0) det = 1;
  // rows of the inverse transpose = cofactors / det
  n[0] = (e * i - f * h) / det, n[1] = -(d * i - f * g) / det, n[2] = (d * h - e * g) / det;
  n[3] = -(b * i - c * h) / det, n[4] = (a * i - c * g) / det, n[5] = -(a * h - b * g) / det;
  n[6] = (b * f - c * e) / det, n[7] = -(a * f - c * d) / det, n[8] = (a * e - b * d) / det;
}

// ---- state helpers --------------------------------------------------------------------------------

bool enabled(GLenum cap) {
  auto it = L().a.enabled.find(cap);
  return it != L().a.enabled.end() && it->second;
}

Texture& texture_object(GLuint name, GLenum target) {
  Layer& l = L();
  GLuint key = name == 0 ? (target == kCubeMap ? 0x80000000u : 0u) : name;
  Texture& t = l.textures[key];
  if (!t.gl) emscripten_glGenTextures(1, &t.gl);
  if (!t.target) t.target = target;
  return t;
}

Texture& bound(GLenum target) {
  Layer& l = L();
  bool cube = target == kCubeMap || (target >= kCubeFace0 && target < kCubeFace0 + 6);
  return texture_object(cube ? l.a.bound_cube : l.a.bound_2d, cube ? kCubeMap : GL_TEXTURE_2D);
}

double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

// ---- drawing the batch ----------------------------------------------------------------------------

GLuint compile(GLenum kind, const char* source) {
  GLuint s = emscripten_glCreateShader(kind);
  emscripten_glShaderSource(s, 1, &source, nullptr);
  emscripten_glCompileShader(s);
  return s;
}

Program make_program(const FragmentKey& k) {
  const char* vs_smooth =
      "#version 300 es\n"
      "in vec4 a_pos; in vec4 a_colour; in vec4 a_tex; uniform float u_point_size;\n"
      "out vec4 v_colour; out vec4 v_tex;\n"
      "void main() { gl_Position = a_pos; gl_PointSize = u_point_size; v_colour = a_colour;"
      " v_tex = a_tex; }\n";
  const char* vs_flat =
      "#version 300 es\n"
      "in vec4 a_pos; in vec4 a_colour; in vec4 a_tex; uniform float u_point_size;\n"
      "flat out vec4 v_colour; out vec4 v_tex;\n"
      "void main() { gl_Position = a_pos; gl_PointSize = u_point_size; v_colour = a_colour;"
      " v_tex = a_tex; }\n";
  // Texture environment as OpenGL 1.1 has it for one unit (modulate, replace, decal); u_base
  // says whether the texture has colour (bit 0) and alpha (bit 1). The alpha test compares with
  // OpenGL's function numbers counted from GL_NEVER. The u_ integers are the key's constants.
  const char* fs_body =
      "in vec4 v_tex; uniform sampler2D u_tex2d; uniform samplerCube u_cube;\n"
      "uniform float u_alpha_ref; uniform vec2 u_tex_size; out vec4 o;\n"
      "void main() {\n"
      "  vec4 c = v_colour;\n"
      "  if (u_tex_mode != 0) {\n"
      "    vec4 t;\n"
      "    if (u_tex_mode == 2) t = texture(u_cube, v_tex.stp);\n"
      "    else if (u_border == 0) t = texture(u_tex2d, v_tex.st / v_tex.q);\n"
      "    else {\n"
      "      vec2 d = v_tex.st / v_tex.q * u_tex_size;\n"
      "      float rho = max(length(dFdx(d)), length(dFdy(d)));\n"
      "      bool linear = (u_border & 4) == 0 || rho <= 1.0;\n"
      // GL_CLAMP with linear filtering: the footprint reaches the black, transparent border;
      // sampled clamped to the edge, the part of it over the border is taken out again.
      "      vec2 st = clamp(v_tex.st / v_tex.q, 0.0, 1.0);\n"
      "      t = texture(u_tex2d, st);\n"
      "      vec2 u = st * u_tex_size - 0.5, f = fract(u), i0 = floor(u);\n"
      "      float w = 1.0;\n"
      "      if ((u_border & 1) != 0) w *= i0.x < 0.0 ? f.x : i0.x + 1.0 > u_tex_size.x - 1.0 ? 1.0 - f.x : 1.0;\n"
      "      if ((u_border & 2) != 0) w *= i0.y < 0.0 ? f.y : i0.y + 1.0 > u_tex_size.y - 1.0 ? 1.0 - f.y : 1.0;\n"
      "      if (linear) t *= w; else t = texture(u_tex2d, v_tex.st / v_tex.q);\n"
      "    }\n"
      "    bool hc = (u_base & 1) != 0, ha = (u_base & 2) != 0;\n"
      "    if (u_env == 1) { if (hc) c.rgb = t.rgb; if (ha) c.a = t.a; }\n"
      "    else if (u_env == 2) { if (ha) c.rgb = mix(c.rgb, t.rgb, t.a); else c.rgb = t.rgb; }\n"
      "    else { if (hc) c.rgb *= t.rgb; if (ha) c.a *= t.a; }\n"
      "  }\n"
      "  bool pass = true; float a = c.a;\n"
      "  if (u_alpha_func == 0) pass = false;\n"
      "  else if (u_alpha_func == 1) pass = a < u_alpha_ref;\n"
      "  else if (u_alpha_func == 2) pass = a == u_alpha_ref;\n"
      "  else if (u_alpha_func == 3) pass = a <= u_alpha_ref;\n"
      "  else if (u_alpha_func == 4) pass = a > u_alpha_ref;\n"
      "  else if (u_alpha_func == 5) pass = a != u_alpha_ref;\n"
      "  else if (u_alpha_func == 6) pass = a >= u_alpha_ref;\n"
      "  if (!pass) discard;\n"
      "  o = c;\n"
      "}\n";
  const std::string constants =
      "const int u_tex_mode = " + std::to_string(k.tex_mode) + ", u_border = " +
      std::to_string(k.border) + ", u_env = " + std::to_string(k.env) + ", u_base = " +
      std::to_string(k.base) + ", u_alpha_func = " + std::to_string(k.alpha_func) + ";\n";
  std::string fs = std::string("#version 300 es\nprecision highp float;\n") +
                   (k.flat ? "flat in vec4 v_colour;\n" : "in vec4 v_colour;\n") + constants +
                   fs_body;
  Program p;
  p.id = emscripten_glCreateProgram();
  emscripten_glAttachShader(p.id, compile(kVertexShader, k.flat ? vs_flat : vs_smooth));
  emscripten_glAttachShader(p.id, compile(kFragmentShader, fs.c_str()));
  emscripten_glBindAttribLocation(p.id, 0, "a_pos");
  emscripten_glBindAttribLocation(p.id, 1, "a_colour");
  emscripten_glBindAttribLocation(p.id, 2, "a_tex");
  emscripten_glLinkProgram(p.id);
  emscripten_glUseProgram(p.id);
  emscripten_glUniform1i(emscripten_glGetUniformLocation(p.id, "u_tex2d"), 0);
  emscripten_glUniform1i(emscripten_glGetUniformLocation(p.id, "u_cube"), 1);
  p.alpha_ref = emscripten_glGetUniformLocation(p.id, "u_alpha_ref");
  p.point_size = emscripten_glGetUniformLocation(p.id, "u_point_size");
  p.tex_size = emscripten_glGetUniformLocation(p.id, "u_tex_size");
  return p;
}

// The key's program, made the first time it is needed and in use from then on.
const Program& use_program(const FragmentKey& k) {
  auto found = L().programs.find(k.packed());
  if (found == L().programs.end())
    found = L().programs.emplace(k.packed(), make_program(k)).first;
  emscripten_glUseProgram(found->second.id);
  return found->second;
}

int base_flags(Base b) {
  switch (b) {
    case BASE_L:
    case BASE_RGB: return 1;
    case BASE_A: return 2;
    default: return 3;
  }
}

void bind_draw_buffer(GLenum which) {
  emscripten_glBindFramebuffer(kDrawFramebuffer, which == GL_FRONT || which == GL_FRONT_AND_BACK
                                                     ? 0 : L().back_fbo);
}

// Fragment operations of the current state (scissor, blending, depth, colour mask) on WebGL.
void apply_fragment_state() {
  Layer& l = L();
  const Attrib& a = l.a;
  bind_draw_buffer(a.draw_buffer);
  if (enabled(GL_SCISSOR_TEST)) {
    emscripten_glEnable(GL_SCISSOR_TEST);
    emscripten_glScissor(a.scissor[0], a.scissor[1], a.scissor[2] < 0 ? 0 : a.scissor[2],
                         a.scissor[3] < 0 ? 0 : a.scissor[3]);
  } else {
    emscripten_glDisable(GL_SCISSOR_TEST);
  }
  if (enabled(GL_BLEND)) {
    emscripten_glEnable(GL_BLEND);
    emscripten_glBlendFunc(a.blend_src, a.blend_dst);
  } else {
    emscripten_glDisable(GL_BLEND);
  }
  if (enabled(GL_DEPTH_TEST)) {
    emscripten_glEnable(GL_DEPTH_TEST);
    emscripten_glDepthFunc(a.depth_func);
  } else {
    emscripten_glDisable(GL_DEPTH_TEST);
  }
  emscripten_glDepthMask(a.depth_mask);
}

// Binds the enabled texture and notes in the key how it is sampled and combined; its size, for
// the program's uniform, in tex_size.
void bind_texture_unit(FragmentKey& k, float tex_size[2]) {
  Layer& l = L();
  int mode = 0, border = 0;
  Base base = BASE_RGBA;
  if (enabled(GL_TEXTURE_CUBE_MAP)) {
    Texture& t = texture_object(l.a.bound_cube, kCubeMap);
    emscripten_glActiveTexture(kTexture0 + 1);
    emscripten_glBindTexture(kCubeMap, t.gl);
    emscripten_glActiveTexture(kTexture0);
    if (!t.faces[0].empty()) base = t.faces[0][0].base;
    mode = 2;
  } else if (enabled(GL_TEXTURE_2D)) {
    Texture& t = texture_object(l.a.bound_2d, GL_TEXTURE_2D);
    emscripten_glBindTexture(GL_TEXTURE_2D, t.gl);
    if (!t.faces[0].empty()) {
      const Level& lv = t.faces[0][0];
      base = lv.base;
      // Bit 4: only where the texture is magnified (minified, the mipmap filter applies).
      if (t.mag_filter == GL_LINEAR && lv.w > 0 && lv.h > 0)
        border = (t.wrap_s == GL_CLAMP ? 1 : 0) | (t.wrap_t == GL_CLAMP ? 2 : 0);
      if (border && t.min_filter != GL_LINEAR) border |= 4;
      tex_size[0] = float(lv.w), tex_size[1] = float(lv.h);
    }
    mode = 1;
  }
  k.tex_mode = mode;
  if (!mode) return;  // the texture settings do not matter then: one program serves
  k.border = border;
  k.env = l.a.env_mode == GL_REPLACE ? 1 : l.a.env_mode == GL_DECAL ? 2 : 0;
  k.base = base_flags(base);
}

void set_alpha_test(FragmentKey& k) {
  const Attrib& a = L().a;
  k.alpha_func = enabled(GL_ALPHA_TEST) ? int(a.alpha_func - GL_NEVER) : 7;
}

// The alpha test's reference: the framebuffer's alpha is 8 bits, so it compares as its 8-bit
// value does.
void set_alpha_ref(const Program& p) {
  emscripten_glUniform1f(p.alpha_ref, float(std::round(clamp01(L().a.alpha_ref) * 255.0) / 255.0));
}

void submit(const std::vector<float>& verts, GLenum prim, const Program& p) {
  emscripten_glBindVertexArray(L().vao);
  emscripten_glBindBuffer(kArrayBuffer, L().vbo);
  emscripten_glBufferData(kArrayBuffer, long(verts.size() * sizeof(float)), verts.data(),
                          kStreamDraw);
  const GLsizei stride = kFloatsPerVertex * sizeof(float);
  for (GLuint i = 0; i < 3; i++) {
    emscripten_glEnableVertexAttribArray(i);
    emscripten_glVertexAttribPointer(i, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(uintptr_t(i * 4 * sizeof(float))));
  }
  (void)p;
  emscripten_glDrawArrays(prim, 0, GLsizei(verts.size() / kFloatsPerVertex));
}

}  // namespace

void web_gl_flush() {
  Layer& l = L();
  if (!l.ready || l.batch.empty()) return;
  const Attrib& a = l.a;
  apply_fragment_state();
  emscripten_glViewport(a.viewport[0], a.viewport[1], a.viewport[2], a.viewport[3]);
  FragmentKey k;
  k.flat = a.shade_model == GL_FLAT;
  float tex_size[2] = {1, 1};
  bind_texture_unit(k, tex_size);
  set_alpha_test(k);
  const Program& p = use_program(k);
  if (k.border) emscripten_glUniform2f(p.tex_size, tex_size[0], tex_size[1]);
  set_alpha_ref(p);
  emscripten_glUniform1f(p.point_size, float(a.point_size));
  submit(l.batch, l.batch_prim, p);
  l.batch.clear();
}

namespace {

// Every call that changes what the batch would be drawn with draws the batch first.
void touch() { web_gl_flush(); }

// ---- pixel transfer -------------------------------------------------------------------------------

int components(GLenum format) {
  switch (format) {
    case GL_RGBA:
    case kBgra: return 4;
    case GL_RGB:
    case kBgr: return 3;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 1;
  }
}

size_t row_stride(const PixelStore& s, int width, int n) {
  size_t row = size_t(s.row_length > 0 ? s.row_length : width) * n;
  size_t align = size_t(s.alignment > 0 ? s.alignment : 1);
  return (row + align - 1) / align * align;
}

// Client pixels (unsigned bytes in any of the 1.1 formats, as the unpack store lays them out)
// to RGBA, with the pixel transfer's scale and bias.
std::vector<uint8_t> unpack(int w, int h, GLenum format, const void* data) {
  Layer& l = L();
  std::vector<uint8_t> out(size_t(w) * h * 4, 0);
  if (!data || w <= 0 || h <= 0) return out;
  const PixelStore& s = l.c.unpack;
  const int n = components(format);
  const size_t stride = row_stride(s, w, n);
  const uint8_t* src = static_cast<const uint8_t*>(data) + size_t(s.skip_rows) * stride +
                       size_t(s.skip_pixels) * n;
  for (int y = 0; y < h; y++) {
    const uint8_t* p = src + size_t(y) * stride;
    uint8_t* o = &out[size_t(y) * w * 4];
    for (int x = 0; x < w; x++, p += n, o += 4) {
      switch (format) {
        case GL_RGBA: o[0] = p[0], o[1] = p[1], o[2] = p[2], o[3] = p[3]; break;
        case kBgra: o[0] = p[2], o[1] = p[1], o[2] = p[0], o[3] = p[3]; break;
        case GL_RGB: o[0] = p[0], o[1] = p[1], o[2] = p[2], o[3] = 255; break;
        case kBgr: o[0] = p[2], o[1] = p[1], o[2] = p[0], o[3] = 255; break;
        case GL_LUMINANCE_ALPHA: o[0] = o[1] = o[2] = p[0], o[3] = p[1]; break;
        case GL_ALPHA: o[0] = o[1] = o[2] = 0, o[3] = p[0]; break;
        case GL_RED: o[0] = p[0], o[1] = o[2] = 0, o[3] = 255; break;
        case GL_GREEN: o[1] = p[0], o[0] = o[2] = 0, o[3] = 255; break;
        case GL_BLUE: o[2] = p[0], o[0] = o[1] = 0, o[3] = 255; break;
        default: o[0] = o[1] = o[2] = p[0], o[3] = 255; break;  // luminance
      }
    }
  }
  const Attrib& a = l.a;
  bool plain = true;
  for (int i = 0; i < 4; i++) plain = plain && a.scale[i] == 1 && a.bias[i] == 0;
  if (!plain)
    for (size_t i = 0; i < out.size(); i++) {
      int ch = int(i & 3);
      out[i] = uint8_t(std::lround(clamp01(out[i] / 255.0 * a.scale[ch] + a.bias[ch]) * 255.0));
    }
  return out;
}

// RGBA to client pixels in format, as the pack store lays them out. luminance_from_red: a
// texture's luminance is its red (glGetTexImage); the framebuffer's is red + green + blue.
void pack(int w, int h, const uint8_t* rgba, GLenum format, void* data, bool luminance_from_red) {
  if (!data || w <= 0 || h <= 0) return;
  const PixelStore& s = L().c.pack;
  const int n = components(format);
  const size_t stride = row_stride(s, w, n);
  uint8_t* dst = static_cast<uint8_t*>(data) + size_t(s.skip_rows) * stride +
                 size_t(s.skip_pixels) * n;
  for (int y = 0; y < h; y++) {
    uint8_t* o = dst + size_t(y) * stride;
    const uint8_t* p = rgba + size_t(y) * w * 4;
    for (int x = 0; x < w; x++, p += 4, o += n) {
      int lum = luminance_from_red ? p[0] : std::min(255, p[0] + p[1] + p[2]);
      switch (format) {
        case GL_RGBA: o[0] = p[0], o[1] = p[1], o[2] = p[2], o[3] = p[3]; break;
        case kBgra: o[0] = p[2], o[1] = p[1], o[2] = p[0], o[3] = p[3]; break;
        case GL_RGB: o[0] = p[0], o[1] = p[1], o[2] = p[2]; break;
        case kBgr: o[0] = p[2], o[1] = p[1], o[2] = p[0]; break;
        case GL_LUMINANCE_ALPHA: o[0] = uint8_t(lum), o[1] = p[3]; break;
        case GL_ALPHA: o[0] = p[3]; break;
        case GL_RED: o[0] = p[0]; break;
        case GL_GREEN: o[0] = p[1]; break;
        case GL_BLUE: o[0] = p[2]; break;
        default: o[0] = uint8_t(lum); break;
      }
    }
  }
}

Base base_of(GLint internal) {
  switch (internal) {
    case 1: case GL_LUMINANCE: case GL_LUMINANCE4: case GL_LUMINANCE8: case GL_LUMINANCE12:
    case GL_LUMINANCE16: return BASE_L;
    case 2: case GL_LUMINANCE_ALPHA: case GL_LUMINANCE4_ALPHA4: case GL_LUMINANCE6_ALPHA2:
    case GL_LUMINANCE8_ALPHA8: case GL_LUMINANCE12_ALPHA4: case GL_LUMINANCE12_ALPHA12:
    case GL_LUMINANCE16_ALPHA16: return BASE_LA;
    case 3: case GL_RGB: case GL_R3_G3_B2: case GL_RGB4: case GL_RGB5: case GL_RGB8:
    case GL_RGB10: case GL_RGB12: case GL_RGB16: return BASE_RGB;
    case GL_ALPHA: case GL_ALPHA4: case GL_ALPHA8: case GL_ALPHA12: case GL_ALPHA16: return BASE_A;
    case GL_INTENSITY: case GL_INTENSITY4: case GL_INTENSITY8: case GL_INTENSITY12:
    case GL_INTENSITY16: return BASE_I;
    default: return BASE_RGBA;
  }
}

// Unpacked RGBA to what the texture holds under its base format (see Level::rgba).
void to_base(std::vector<uint8_t>& t, Base b) {
  for (size_t i = 0; i < t.size(); i += 4) {
    uint8_t* p = &t[i];
    switch (b) {
      case BASE_L: p[1] = p[2] = p[0], p[3] = 255; break;
      case BASE_LA: p[1] = p[2] = p[0]; break;
      case BASE_RGB: p[3] = 255; break;
      case BASE_A: p[0] = p[1] = p[2] = 0; break;
      case BASE_I: p[1] = p[2] = p[3] = p[0]; break;
      default: break;
    }
  }
}

// Back from a texture's texels to RGBA as glGetTexImage gives it: luminance reads as red.
std::vector<uint8_t> from_base(const Level& lv) {
  std::vector<uint8_t> t = lv.rgba;
  if (lv.base == BASE_L || lv.base == BASE_LA || lv.base == BASE_I)
    for (size_t i = 0; i < t.size(); i += 4) {
      t[i + 1] = t[i + 2] = 0;
      if (lv.base != BASE_LA) t[i + 3] = 255;
    }
  return t;
}

GLint gl_wrap(GLint w) { return w == GL_CLAMP ? GLint(kClampToEdge) : w; }

void apply_parameters(const Texture& t) {
  GLenum target = t.target == kCubeMap ? kCubeMap : GL_TEXTURE_2D;
  emscripten_glBindTexture(target, t.gl);
  emscripten_glTexParameteri(target, GL_TEXTURE_MIN_FILTER, t.min_filter);
  emscripten_glTexParameteri(target, GL_TEXTURE_MAG_FILTER, t.mag_filter);
  emscripten_glTexParameteri(target, GL_TEXTURE_WRAP_S, gl_wrap(t.wrap_s));
  emscripten_glTexParameteri(target, GL_TEXTURE_WRAP_T, gl_wrap(t.wrap_t));
  if (target == kCubeMap) emscripten_glTexParameteri(target, 0x8072 /* WRAP_R */, kClampToEdge);
}

void store_level(GLenum target, GLint level, GLint internal, int w, int h,
                 std::vector<uint8_t> rgba) {
  if (level < 0 || level > 16 || w < 0 || h < 0) return;
  Texture& t = bound(target);
  int face = (target >= kCubeFace0 && target < kCubeFace0 + 6) ? int(target - kCubeFace0) : 0;
  std::vector<Level>& levels = t.faces[face];
  if (int(levels.size()) <= level) levels.resize(size_t(level) + 1);
  Level& lv = levels[size_t(level)];
  lv.w = w, lv.h = h, lv.internal = internal, lv.base = base_of(internal);
  to_base(rgba, lv.base);
  lv.rgba = std::move(rgba);
  GLenum bind_target = t.target == kCubeMap ? kCubeMap : GL_TEXTURE_2D;
  emscripten_glBindTexture(bind_target, t.gl);
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  emscripten_glTexImage2D(target == GL_TEXTURE_2D ? GL_TEXTURE_2D : target, level, kRgba8, w, h, 0,
                          GL_RGBA, GL_UNSIGNED_BYTE, lv.rgba.empty() ? nullptr : lv.rgba.data());
}

// ---- vertices -------------------------------------------------------------------------------------

// The lit colour of a vertex at eye position e with eye-space normal n (one-sided, infinite
// viewer, no spot lights: what the gallery's shapes use).
void light_vertex(const double* e, const double* n, double* out) {
  const Attrib& a = L().a;
  Material m = a.material;
  if (enabled(GL_COLOR_MATERIAL)) {
    const double* c = a.colour;
    GLenum cm = a.colour_material;
    if (cm == GL_AMBIENT || cm == GL_AMBIENT_AND_DIFFUSE) std::memcpy(m.ambient, c, sizeof m.ambient);
    if (cm == GL_DIFFUSE || cm == GL_AMBIENT_AND_DIFFUSE) std::memcpy(m.diffuse, c, sizeof m.diffuse);
    if (cm == GL_SPECULAR) std::memcpy(m.specular, c, sizeof m.specular);
    if (cm == GL_EMISSION) std::memcpy(m.emission, c, sizeof m.emission);
  }
  double rgb[3];
  for (int i = 0; i < 3; i++) rgb[i] = m.emission[i] + a.model_ambient[i] * m.ambient[i];
  for (int li = 0; li < 8; li++) {
    if (!enabled(GL_LIGHT0 + li)) continue;
    const Light& lt = a.lights[li];
    double dir[3], att = 1;
    if (lt.position[3] == 0) {
      for (int i = 0; i < 3; i++) dir[i] = lt.position[i];
    } else {
      for (int i = 0; i < 3; i++) dir[i] = lt.position[i] / lt.position[3] - e[i] / e[3];
      double d = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
      att = 1 / (lt.attenuation[0] + lt.attenuation[1] * d + lt.attenuation[2] * d * d);
    }
    double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (len > 0)
      for (double& v : dir) v /= len;
    double ndl = n[0] * dir[0] + n[1] * dir[1] + n[2] * dir[2];
    double spec = 0;
    if (ndl > 0) {
      double hv[3] = {dir[0], dir[1], dir[2] + 1};
      double hl = std::sqrt(hv[0] * hv[0] + hv[1] * hv[1] + hv[2] * hv[2]);
      double ndh = hl > 0 ? (n[0] * hv[0] + n[1] * hv[1] + n[2] * hv[2]) / hl : 0;
      if (ndh > 0) spec = m.shininess == 0 ? 1 : std::pow(ndh, m.shininess);
    } else {
      ndl = 0;
    }
    for (int i = 0; i < 3; i++)
      rgb[i] += att * (lt.ambient[i] * m.ambient[i] + ndl * lt.diffuse[i] * m.diffuse[i] +
                       spec * lt.specular[i] * m.specular[i]);
  }
  for (int i = 0; i < 3; i++) out[i] = clamp01(rgb[i]);
  out[3] = clamp01(m.diffuse[3]);
}

void vertex(double x, double y, double z, double w) {
  Layer& l = L();
  if (!l.inside_begin) return;
  const Attrib& a = l.a;
  double v[4] = {x, y, z, w}, eye[4], clip[4];
  transform(l.modelview.back().data(), v, eye);
  transform(l.projection.back().data(), eye, clip);
  if (l.begin_mode == GL_POINTS && a.point_size == 1 && clip[3] != 0 && a.viewport[2] > 0 &&
      a.viewport[3] > 0) {
    // A one-pixel point is the pixel its window position falls in: moved onto that pixel's
    // centre, the browser's rasteriser (which covers centres within half a pixel) draws the same.
    for (int i = 0; i < 2; i++) {
      double size = a.viewport[2 + i], origin = a.viewport[i];
      double win = origin + (clip[i] / clip[3] + 1) * size / 2;
      win = std::floor(win) + 0.5;
      clip[i] = ((win - origin) * 2 / size - 1) * clip[3];
    }
  }
  double colour[4];
  if (enabled(GL_LIGHTING)) {
    double nm[9], n[3];
    normal_matrix(l.modelview.back().data(), nm);
    for (int i = 0; i < 3; i++)
      n[i] = nm[i * 3] * a.normal[0] + nm[i * 3 + 1] * a.normal[1] + nm[i * 3 + 2] * a.normal[2];
    if (enabled(GL_NORMALIZE)) {
      double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (len > 0)
        for (double& c : n) c /= len;
    }
    light_vertex(eye, n, colour);
  } else {
    for (int i = 0; i < 4; i++) colour[i] = a.colour[i];
  }
  for (double c : clip) l.prim.push_back(float(c));
  for (double c : colour) l.prim.push_back(float(c));
  for (double c : a.texcoord) l.prim.push_back(float(c));
}

// Appends vertex i of the glBegin to the batch.
void emit(size_t i) {
  Layer& l = L();
  const float* v = &l.prim[i * kFloatsPerVertex];
  l.batch.insert(l.batch.end(), v, v + kFloatsPerVertex);
}

void set_color(double r, double g, double b, double alpha) {
  double* c = L().a.colour;
  c[0] = r, c[1] = g, c[2] = b, c[3] = alpha;
}

// glGet* for every name the library asks for, as doubles.
int get_values(GLenum name, double* out) {
  Layer& l = L();
  const Attrib& a = l.a;
  switch (name) {
    case GL_VIEWPORT: for (int i = 0; i < 4; i++) out[i] = a.viewport[i]; return 4;
    case GL_SCISSOR_BOX: for (int i = 0; i < 4; i++) out[i] = a.scissor[i]; return 4;
    case GL_MODELVIEW_MATRIX: std::memcpy(out, l.modelview.back().data(), 128); return 16;
    case GL_PROJECTION_MATRIX: std::memcpy(out, l.projection.back().data(), 128); return 16;
    case GL_TEXTURE_MATRIX: std::memcpy(out, l.texture.back().data(), 128); return 16;
    case GL_MATRIX_MODE: out[0] = a.matrix_mode; return 1;
    case GL_MAX_TEXTURE_SIZE:
    case kMaxCubeMapSize: {
      GLint v = 0;
      emscripten_glGetIntegerv(name, &v);
      out[0] = v;
      return 1;
    }
    case GL_MAX_VIEWPORT_DIMS: {
      int w = 0, h = 0;
      web_gl_limits(&w, &h);
      out[0] = w, out[1] = h;
      return 2;
    }
    case GL_MAX_CLIP_PLANES: out[0] = 6; return 1;
    case GL_MAX_LIGHTS: out[0] = 8; return 1;
    case GL_MAX_MODELVIEW_STACK_DEPTH: out[0] = 32; return 1;
    case GL_DEPTH_FUNC: out[0] = a.depth_func; return 1;
    case GL_DEPTH_WRITEMASK: out[0] = a.depth_mask; return 1;
    case GL_RENDER_MODE: out[0] = GL_RENDER; return 1;
    case GL_POINT_SIZE: out[0] = a.point_size; return 1;
    case GL_LINE_WIDTH: out[0] = a.line_width; return 1;
    case GL_READ_BUFFER: out[0] = a.read_buffer; return 1;
    case GL_DRAW_BUFFER: out[0] = a.draw_buffer; return 1;
    case GL_SHADE_MODEL: out[0] = a.shade_model; return 1;
    case GL_BLEND_SRC: out[0] = a.blend_src; return 1;
    case GL_BLEND_DST: out[0] = a.blend_dst; return 1;
    case GL_ALPHA_TEST_FUNC: out[0] = a.alpha_func; return 1;
    case GL_ALPHA_TEST_REF: out[0] = a.alpha_ref; return 1;
    case GL_CURRENT_COLOR: for (int i = 0; i < 4; i++) out[i] = a.colour[i]; return 4;
    case GL_COLOR_CLEAR_VALUE: for (int i = 0; i < 4; i++) out[i] = a.clear_colour[i]; return 4;
    case kTextureBinding2D: out[0] = a.bound_2d; return 1;
    case kTextureBindingCube: out[0] = a.bound_cube; return 1;
    case GL_UNPACK_ALIGNMENT: out[0] = l.c.unpack.alignment; return 1;
    case GL_PACK_ALIGNMENT: out[0] = l.c.pack.alignment; return 1;
    case GL_UNPACK_ROW_LENGTH: out[0] = l.c.unpack.row_length; return 1;
    case GL_PACK_ROW_LENGTH: out[0] = l.c.pack.row_length; return 1;
    case GL_RED_BITS: case GL_GREEN_BITS: case GL_BLUE_BITS: out[0] = 8; return 1;
    case GL_ALPHA_BITS: out[0] = 8; return 1;
    case GL_DEPTH_BITS: out[0] = 24; return 1;
    case GL_DOUBLEBUFFER: out[0] = 1; return 1;
    default: out[0] = 0; return 1;
  }
}

GLuint read_framebuffer() {
  const Attrib& a = L().a;
  return a.read_buffer == GL_FRONT || a.read_buffer == GL_FRONT_AND_BACK ? 0 : L().back_fbo;
}

// The read buffer's pixels as RGBA, bottom row first.
std::vector<uint8_t> read_rgba(int x, int y, int w, int h) {
  std::vector<uint8_t> rgba(size_t(w) * h * 4, 0);
  if (w <= 0 || h <= 0) return rgba;
  emscripten_glBindFramebuffer(kReadFramebuffer, read_framebuffer());
  emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
  emscripten_glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

void set_enable(GLenum cap, bool on) {
  Layer& l = L();
  if (enabled(cap) == on) return;
  touch();
  l.a.enabled[cap] = on;
}

}  // namespace

// ---- the layer's own calls ------------------------------------------------------------------------

int web_gl_create(const char* canvas_selector) {
  Layer& l = L();
  if (l.ready) return 1;
  EmscriptenWebGLContextAttributes attrs;
  emscripten_webgl_init_context_attributes(&attrs);
  attrs.majorVersion = 2;
  attrs.minorVersion = 0;
  attrs.alpha = false;
  attrs.depth = true;
  attrs.stencil = false;
  attrs.antialias = false;
  attrs.premultipliedAlpha = false;
  attrs.preserveDrawingBuffer = true;  // the front buffer keeps its picture between frames
  l.context = emscripten_webgl_create_context(canvas_selector, &attrs);
  if (l.context <= 0) return 0;
  emscripten_webgl_make_context_current(l.context);
  emscripten_glGenVertexArrays(1, &l.vao);
  emscripten_glGenBuffers(1, &l.vbo);
  emscripten_glGenTextures(1, &l.pixel_texture);
  emscripten_glBindTexture(GL_TEXTURE_2D, l.pixel_texture);
  emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kClampToEdge);
  emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kClampToEdge);
  emscripten_glGenFramebuffers(1, &l.back_fbo);
  emscripten_glGenRenderbuffers(1, &l.back_colour);
  emscripten_glGenRenderbuffers(1, &l.back_depth);
  identity(l.modelview.back().data());
  identity(l.projection.back().data());
  identity(l.texture.back().data());
  l.a.enabled[GL_DITHER] = true;
  l.a.lights[0].diffuse[0] = l.a.lights[0].diffuse[1] = l.a.lights[0].diffuse[2] = 1;
  l.a.lights[0].specular[0] = l.a.lights[0].specular[1] = l.a.lights[0].specular[2] = 1;
  int w = 0, h = 0;
  emscripten_webgl_get_drawing_buffer_size(l.context, &w, &h);
  l.ready = true;
  web_gl_resize(w, h);
  GLint vp[4] = {0, 0, w, h};
  std::memcpy(l.a.viewport, vp, sizeof vp);
  std::memcpy(l.a.scissor, vp, sizeof vp);
  return 1;
}

void web_gl_resize(int width, int height) {
  Layer& l = L();
  if (!l.ready || width <= 0 || height <= 0) return;
  if (width == l.width && height == l.height) return;
  touch();
  l.width = width, l.height = height;
  emscripten_glBindRenderbuffer(kRenderbuffer, l.back_colour);
  emscripten_glRenderbufferStorage(kRenderbuffer, kRgba8, width, height);
  emscripten_glBindRenderbuffer(kRenderbuffer, l.back_depth);
  emscripten_glRenderbufferStorage(kRenderbuffer, kDepth24, width, height);
  emscripten_glBindFramebuffer(kFramebuffer, l.back_fbo);
  emscripten_glFramebufferRenderbuffer(kFramebuffer, kColourAttachment0, kRenderbuffer, l.back_colour);
  emscripten_glFramebufferRenderbuffer(kFramebuffer, kDepthAttachment, kRenderbuffer, l.back_depth);
}

void web_gl_swap() {
  Layer& l = L();
  if (!l.ready) return;
  touch();
  emscripten_glDisable(GL_SCISSOR_TEST);
  emscripten_glBindFramebuffer(kReadFramebuffer, l.back_fbo);
  emscripten_glBindFramebuffer(kDrawFramebuffer, 0);
  emscripten_glBlitFramebuffer(0, 0, l.width, l.height, 0, 0, l.width, l.height,
                               GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void web_gl_limits(int* width, int* height) {
  GLint rb = 0, vp[2] = {0, 0};
  if (L().ready) {
    emscripten_glGetIntegerv(kMaxRenderbufferSize, &rb);
    emscripten_glGetIntegerv(GL_MAX_VIEWPORT_DIMS, vp);
  }
  *width = std::min(rb, vp[0]);
  *height = std::min(rb, vp[1]);
}

// ---- OpenGL 1.1 entry points ----------------------------------------------------------------------

extern "C" {

GLenum glGetError() { return GL_NO_ERROR; }

const GLubyte* glGetString(GLenum name) {
  const char* s = "";
  switch (name) {
    case GL_VENDOR: s = "Vantorel"; break;
    case GL_RENDERER: s = "Vantorel OpenGL 1.1 layer on WebGL 2"; break;
    case GL_VERSION: s = "1.3 Vantorel (WebGL 2)"; break;
    // Only what the layer does: no anisotropic filtering, no swap control.
    case GL_EXTENSIONS: s = "GL_ARB_texture_cube_map GL_EXT_texture_cube_map GL_EXT_bgra"; break;
    default: break;
  }
  return reinterpret_cast<const GLubyte*>(s);
}

void glEnable(GLenum cap) { set_enable(cap, true); }
void glDisable(GLenum cap) { set_enable(cap, false); }
GLboolean glIsEnabled(GLenum cap) { return enabled(cap) ? GL_TRUE : GL_FALSE; }

void glGetDoublev(GLenum name, GLdouble* out) {
  double v[16];
  int n = get_values(name, v);
  for (int i = 0; i < n; i++) out[i] = v[i];
}
void glGetFloatv(GLenum name, GLfloat* out) {
  double v[16];
  int n = get_values(name, v);
  for (int i = 0; i < n; i++) out[i] = GLfloat(v[i]);
}
void glGetIntegerv(GLenum name, GLint* out) {
  double v[16];
  int n = get_values(name, v);
  bool colour = name == GL_CURRENT_COLOR || name == GL_COLOR_CLEAR_VALUE;
  for (int i = 0; i < n; i++) out[i] = colour ? GLint(v[i] * 2147483647.0) : GLint(std::lround(v[i]));
}
void glGetBooleanv(GLenum name, GLboolean* out) {
  double v[16];
  int n = get_values(name, v);
  for (int i = 0; i < n; i++) out[i] = v[i] != 0;
}

void glHint(GLenum, GLenum) {}
void glFinish() { web_gl_flush(); }
void glFlush() { web_gl_flush(); }

void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  touch();
  GLint v[4] = {x, y, w, h};
  std::memcpy(L().a.viewport, v, sizeof v);
}
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
  touch();
  GLint v[4] = {x, y, w, h};
  std::memcpy(L().a.scissor, v, sizeof v);
}
void glDrawBuffer(GLenum mode) {
  if (mode == L().a.draw_buffer) return;
  touch();
  L().a.draw_buffer = mode;
}
void glReadBuffer(GLenum mode) { L().a.read_buffer = mode; }

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  double* c = L().a.clear_colour;
  c[0] = clamp01(r), c[1] = clamp01(g), c[2] = clamp01(b), c[3] = clamp01(a);
}
void glClearDepth(GLclampd d) { L().a.clear_depth = clamp01(d); }
void glClear(GLbitfield mask) {
  Layer& l = L();
  if (!l.ready) return;
  touch();
  apply_fragment_state();
  const double* c = l.a.clear_colour;
  emscripten_glClearColor(float(c[0]), float(c[1]), float(c[2]), float(c[3]));
  emscripten_glClearDepthf(float(l.a.clear_depth));
  emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

void glBlendFunc(GLenum src, GLenum dst) {
  touch();
  L().a.blend_src = src, L().a.blend_dst = dst;
}
void glAlphaFunc(GLenum func, GLclampf ref) {
  touch();
  L().a.alpha_func = func, L().a.alpha_ref = clamp01(ref);
}
void glDepthFunc(GLenum func) {
  touch();
  L().a.depth_func = func;
}
void glDepthMask(GLboolean flag) {
  touch();
  L().a.depth_mask = flag != 0;
}
void glShadeModel(GLenum mode) {
  if (mode == L().a.shade_model) return;
  touch();
  L().a.shade_model = mode;
}
void glPointSize(GLfloat size) {
  touch();
  L().a.point_size = size;
}
void glLineWidth(GLfloat width) { L().a.line_width = width; }  // WebGL draws lines one pixel wide

// ---- matrices

void glMatrixMode(GLenum mode) { L().a.matrix_mode = mode; }
void glLoadIdentity() { identity(top().data()); }
void glLoadMatrixf(const GLfloat* m) {
  for (int i = 0; i < 16; i++) top()[size_t(i)] = m[i];
}
void glLoadMatrixd(const GLdouble* m) {
  for (int i = 0; i < 16; i++) top()[size_t(i)] = m[i];
}
void glMultMatrixd(const GLdouble* m) { multiply_top(m); }
void glMultMatrixf(const GLfloat* m) {
  double d[16];
  for (int i = 0; i < 16; i++) d[i] = m[i];
  multiply_top(d);
}
void glPushMatrix() {
  Layer& l = L();
  auto& s = l.a.matrix_mode == GL_PROJECTION ? l.projection
            : l.a.matrix_mode == GL_TEXTURE  ? l.texture
                                             : l.modelview;
  if (s.size() < 32) s.push_back(s.back());
}
void glPopMatrix() {
  Layer& l = L();
  auto& s = l.a.matrix_mode == GL_PROJECTION ? l.projection
            : l.a.matrix_mode == GL_TEXTURE  ? l.texture
                                             : l.modelview;
  if (s.size() > 1) s.pop_back();
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
  double m[16];
  identity(m);
  m[12] = x, m[13] = y, m[14] = z;
  multiply_top(m);
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { glTranslated(x, y, z); }
void glScaled(GLdouble x, GLdouble y, GLdouble z) {
  double m[16];
  identity(m);
  m[0] = x, m[5] = y, m[10] = z;
  multiply_top(m);
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) { glScaled(x, y, z); }
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0) return;
  x /= len, y /= len, z /= len;
  double r = angle * M_PI / 180, c = std::cos(r), s = std::sin(r), t = 1 - c;
  double m[16] = {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
                  t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
                  t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
                  0,                 0,                 0,                 1};
  multiply_top(m);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { glRotated(angle, x, y, z); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  double m[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                  -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
  multiply_top(m);
}
void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  double m[16] = {2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0,
                  (r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1,
                  0, 0, -2 * f * n / (f - n), 0};
  multiply_top(m);
}

// ---- immediate mode

void glBegin(GLenum mode) {
  Layer& l = L();
  l.begin_mode = mode;
  l.inside_begin = true;
  l.prim.clear();
}

void glEnd() {
  Layer& l = L();
  GLenum mode = l.begin_mode;
  if (!l.inside_begin || !l.ready) return;
  l.inside_begin = false;
  const size_t n = l.prim.size() / kFloatsPerVertex;
  GLenum kind = mode == GL_POINTS ? GL_POINTS
                : (mode == GL_LINES || mode == GL_LINE_STRIP || mode == GL_LINE_LOOP) ? GL_LINES
                                                                                    : GL_TRIANGLES;
  if (kind != l.batch_prim) {
    web_gl_flush();
    l.batch_prim = kind;
  }
  // Everything is drawn as lists; each primitive keeps OpenGL's last vertex last, so flat
  // shading takes the colour OpenGL would.
  switch (mode) {
    case GL_POINTS:
    case GL_LINES:
    case GL_TRIANGLES: {
      size_t per = mode == GL_POINTS ? 1 : mode == GL_LINES ? 2 : 3;
      for (size_t i = 0; i + per <= n; i += per)
        for (size_t k = 0; k < per; k++) emit(i + k);
      break;
    }
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
      for (size_t i = 0; i + 1 < n; i++) emit(i), emit(i + 1);
      if (mode == GL_LINE_LOOP && n > 2) emit(n - 1), emit(0);
      break;
    case GL_TRIANGLE_STRIP:
      for (size_t i = 0; i + 2 < n; i++) {
        if (i % 2 == 0) emit(i), emit(i + 1);
        else emit(i + 1), emit(i);
        emit(i + 2);
      }
      break;
    case GL_TRIANGLE_FAN:
      for (size_t i = 1; i + 1 < n; i++) emit(0), emit(i), emit(i + 1);
      break;
    case GL_POLYGON:
      for (size_t i = 1; i + 1 < n; i++) emit(i), emit(i + 1), emit(0);
      break;
    case GL_QUADS:
    case GL_QUAD_STRIP: {
      // As the desktop drivers split them: (0, 1, 2) and (0, 2, 3) in the quad's own order;
      // flat shading gives the whole quad its last vertex's colour (a strip's quad ends on 2i+3).
      const bool strip = mode == GL_QUAD_STRIP;
      const bool flat = l.a.shade_model == GL_FLAT;
      for (size_t i = 0; i + 4 <= n; i += strip ? 2 : 4) {
        const size_t q[4] = {i, i + 1, strip ? i + 3 : i + 2, strip ? i + 2 : i + 3};
        const size_t last = i + 3;
        for (size_t k : {q[0], q[1], q[2], q[0], q[2], q[3]}) {
          emit(k);
          if (flat)
            std::memcpy(&l.batch[l.batch.size() - kFloatsPerVertex + 4],
                        &l.prim[last * kFloatsPerVertex + 4], 4 * sizeof(float));
        }
      }
      break;
    }
    default: break;
  }
  l.prim.clear();
}

void glVertex2d(GLdouble x, GLdouble y) { vertex(x, y, 0, 1); }
void glVertex2f(GLfloat x, GLfloat y) { vertex(x, y, 0, 1); }
void glVertex2i(GLint x, GLint y) { vertex(x, y, 0, 1); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { vertex(x, y, z, 1); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertex(x, y, z, 1); }
void glVertex3fv(const GLfloat* v) { vertex(v[0], v[1], v[2], 1); }
void glVertex3dv(const GLdouble* v) { vertex(v[0], v[1], v[2], 1); }
void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) { vertex(x, y, z, w); }

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { set_color(r, g, b, 1); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { set_color(r, g, b, a); }
void glColor3d(GLdouble r, GLdouble g, GLdouble b) { set_color(r, g, b, 1); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { set_color(r, g, b, a); }
void glColor3fv(const GLfloat* v) { set_color(v[0], v[1], v[2], 1); }
void glColor4fv(const GLfloat* v) { set_color(v[0], v[1], v[2], v[3]); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { set_color(r / 255.0, g / 255.0, b / 255.0, 1); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
  set_color(r / 255.0, g / 255.0, b / 255.0, a / 255.0);
}
void glColor4ubv(const GLubyte* v) { glColor4ub(v[0], v[1], v[2], v[3]); }
void glColor3ubv(const GLubyte* v) { glColor3ub(v[0], v[1], v[2]); }

void glTexCoord2d(GLdouble s, GLdouble t) {
  double* c = L().a.texcoord;
  c[0] = s, c[1] = t, c[2] = 0, c[3] = 1;
}
void glTexCoord2f(GLfloat s, GLfloat t) { glTexCoord2d(s, t); }
void glTexCoord2i(GLint s, GLint t) { glTexCoord2d(s, t); }
void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  double* c = L().a.texcoord;
  c[0] = s, c[1] = t, c[2] = r, c[3] = 1;
}
void glTexCoord3d(GLdouble s, GLdouble t, GLdouble r) { glTexCoord3f(GLfloat(s), GLfloat(t), GLfloat(r)); }

void glNormal3d(GLdouble x, GLdouble y, GLdouble z) {
  double* n = L().a.normal;
  n[0] = x, n[1] = y, n[2] = z;
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { glNormal3d(x, y, z); }
void glNormal3fv(const GLfloat* v) { glNormal3d(v[0], v[1], v[2]); }

// ---- lighting

void glLightfv(GLenum light, GLenum pname, const GLfloat* p) {
  if (light < GL_LIGHT0 || light >= GL_LIGHT0 + 8 || !p) return;
  Layer& l = L();
  Light& lt = l.a.lights[light - GL_LIGHT0];
  switch (pname) {
    case GL_AMBIENT: for (int i = 0; i < 4; i++) lt.ambient[i] = p[i]; break;
    case GL_DIFFUSE: for (int i = 0; i < 4; i++) lt.diffuse[i] = p[i]; break;
    case GL_SPECULAR: for (int i = 0; i < 4; i++) lt.specular[i] = p[i]; break;
    case GL_POSITION: {
      // Kept in eye space: transformed by the modelview of the moment, as OpenGL does.
      double v[4] = {p[0], p[1], p[2], p[3]};
      transform(l.modelview.back().data(), v, lt.position);
      break;
    }
    case GL_CONSTANT_ATTENUATION: lt.attenuation[0] = p[0]; break;
    case GL_LINEAR_ATTENUATION: lt.attenuation[1] = p[0]; break;
    case GL_QUADRATIC_ATTENUATION: lt.attenuation[2] = p[0]; break;
    default: break;
  }
}
void glLightf(GLenum light, GLenum pname, GLfloat p) { glLightfv(light, pname, &p); }

void glMaterialfv(GLenum, GLenum pname, const GLfloat* p) {
  if (!p) return;
  Material& m = L().a.material;
  switch (pname) {
    case GL_AMBIENT: for (int i = 0; i < 4; i++) m.ambient[i] = p[i]; break;
    case GL_DIFFUSE: for (int i = 0; i < 4; i++) m.diffuse[i] = p[i]; break;
    case GL_AMBIENT_AND_DIFFUSE:
      for (int i = 0; i < 4; i++) m.ambient[i] = m.diffuse[i] = p[i];
      break;
    case GL_SPECULAR: for (int i = 0; i < 4; i++) m.specular[i] = p[i]; break;
    case GL_EMISSION: for (int i = 0; i < 4; i++) m.emission[i] = p[i]; break;
    case GL_SHININESS: m.shininess = p[0]; break;
    default: break;
  }
}
void glMaterialf(GLenum face, GLenum pname, GLfloat p) { glMaterialfv(face, pname, &p); }
void glColorMaterial(GLenum, GLenum mode) { L().a.colour_material = mode; }
void glLightModelfv(GLenum pname, const GLfloat* p) {
  if (pname == GL_LIGHT_MODEL_AMBIENT && p)
    for (int i = 0; i < 4; i++) L().a.model_ambient[i] = p[i];
}

// ---- textures

void glGenTextures(GLsizei n, GLuint* names) {
  Layer& l = L();
  for (GLsizei i = 0; i < n; i++) {
    while (l.textures.count(l.next_name)) l.next_name++;
    names[i] = l.next_name++;
    l.textures[names[i]];  // reserved, made on first bind
  }
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
  Layer& l = L();
  touch();
  for (GLsizei i = 0; i < n; i++) {
    if (names[i] == 0) continue;
    auto it = l.textures.find(names[i]);
    if (it == l.textures.end()) continue;
    if (it->second.gl) emscripten_glDeleteTextures(1, &it->second.gl);
    l.textures.erase(it);
    if (l.a.bound_2d == names[i]) l.a.bound_2d = 0;
    if (l.a.bound_cube == names[i]) l.a.bound_cube = 0;
  }
}

GLboolean glIsTexture(GLuint name) { return name && L().textures.count(name) ? GL_TRUE : GL_FALSE; }

void glBindTexture(GLenum target, GLuint name) {
  Layer& l = L();
  GLuint& slot = target == kCubeMap ? l.a.bound_cube : l.a.bound_2d;
  if (slot == name) {
    texture_object(name, target);
    return;
  }
  touch();
  slot = name;
  Texture& t = texture_object(name, target);
  apply_parameters(t);
}

void glTexParameteri(GLenum target, GLenum pname, GLint v) {
  touch();
  Texture& t = bound(target);
  switch (pname) {
    case GL_TEXTURE_MIN_FILTER: t.min_filter = v; break;
    case GL_TEXTURE_MAG_FILTER: t.mag_filter = v; break;
    case GL_TEXTURE_WRAP_S: t.wrap_s = v; break;
    case GL_TEXTURE_WRAP_T: t.wrap_t = v; break;
    default: return;  // anisotropy, priority, border colour: not drawn here
  }
  apply_parameters(t);
}
void glTexParameterf(GLenum target, GLenum pname, GLfloat v) {
  if (pname == GL_TEXTURE_PRIORITY) {
    bound(target).priority = v < 0 ? 0 : v > 1 ? 1 : v;
    return;
  }
  glTexParameteri(target, pname, GLint(v));
}
void glGetTexParameterfv(GLenum target, GLenum pname, GLfloat* out) {
  const Texture& t = bound(target);
  switch (pname) {
    case GL_TEXTURE_PRIORITY: *out = t.priority; break;
    case GL_TEXTURE_MIN_FILTER: *out = GLfloat(t.min_filter); break;
    case GL_TEXTURE_MAG_FILTER: *out = GLfloat(t.mag_filter); break;
    case GL_TEXTURE_WRAP_S: *out = GLfloat(t.wrap_s); break;
    case GL_TEXTURE_WRAP_T: *out = GLfloat(t.wrap_t); break;
    default: *out = 0; break;
  }
}

void glTexEnvf(GLenum, GLenum pname, GLfloat v) {
  if (pname != GL_TEXTURE_ENV_MODE) return;
  touch();
  L().a.env_mode = GLenum(v);
}
void glTexEnvi(GLenum target, GLenum pname, GLint v) { glTexEnvf(target, pname, GLfloat(v)); }

void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint,
                  GLenum format, GLenum, const GLvoid* data) {
  touch();
  store_level(target, level, internal, w, h, unpack(w, h, format, data));
}

// A part of an existing level: the kept copy is updated (for read-back and sampling rules) and
// only that part is sent to WebGL. Parts outside the level are cut off.
void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h,
                     GLenum format, GLenum, const GLvoid* data) {
  touch();
  Texture& t = bound(target);
  int face = (target >= kCubeFace0 && target < kCubeFace0 + 6) ? int(target - kCubeFace0) : 0;
  std::vector<Level>& levels = t.faces[face];
  if (level < 0 || size_t(level) >= levels.size() || w <= 0 || h <= 0) return;
  Level& lv = levels[size_t(level)];
  if (x < 0 || y < 0 || x + w > lv.w || y + h > lv.h) return;
  std::vector<uint8_t> part = unpack(w, h, format, data);
  to_base(part, lv.base);
  for (int row = 0; row < h; row++)
    std::memcpy(&lv.rgba[(size_t(y + row) * lv.w + x) * 4], &part[size_t(row) * w * 4], size_t(w) * 4);
  GLenum bind_target = t.target == kCubeMap ? kCubeMap : GL_TEXTURE_2D;
  emscripten_glBindTexture(bind_target, t.gl);
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  emscripten_glTexSubImage2D(target == GL_TEXTURE_2D ? GL_TEXTURE_2D : target, level, x, y, w, h,
                             GL_RGBA, GL_UNSIGNED_BYTE, part.data());
}

void glPolygonMode(GLenum, GLenum) {}  // polygons are always filled here

void glCopyTexImage2D(GLenum target, GLint level, GLenum internal, GLint x, GLint y, GLsizei w,
                      GLsizei h, GLint) {
  touch();
  store_level(target, level, GLint(internal), w, h, read_rgba(x, y, w, h));
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* out) {
  Texture& t = bound(target);
  int face = (target >= kCubeFace0 && target < kCubeFace0 + 6) ? int(target - kCubeFace0) : 0;
  const std::vector<Level>& levels = t.faces[face];
  Level none;
  const Level& lv = level >= 0 && size_t(level) < levels.size() ? levels[size_t(level)] : none;
  switch (pname) {
    case GL_TEXTURE_WIDTH: *out = lv.w; break;
    case GL_TEXTURE_HEIGHT: *out = lv.w ? lv.h : 0; break;
    case GL_TEXTURE_COMPONENTS: *out = lv.w ? lv.internal : 1; break;
    case GL_TEXTURE_BORDER: *out = 0; break;
    default: *out = 0; break;
  }
}

void glGetTexImage(GLenum target, GLint level, GLenum format, GLenum, GLvoid* pixels) {
  Texture& t = bound(target);
  int face = (target >= kCubeFace0 && target < kCubeFace0 + 6) ? int(target - kCubeFace0) : 0;
  const std::vector<Level>& levels = t.faces[face];
  if (level < 0 || size_t(level) >= levels.size() || !levels[size_t(level)].w) return;
  const Level& lv = levels[size_t(level)];
  std::vector<uint8_t> rgba = from_base(lv);
  pack(lv.w, lv.h, rgba.data(), format, pixels, true);
}

// ---- pixels

void glPixelStorei(GLenum pname, GLint v) {
  Client& c = L().c;
  switch (pname) {
    case GL_UNPACK_ALIGNMENT: c.unpack.alignment = v; break;
    case GL_UNPACK_ROW_LENGTH: c.unpack.row_length = v; break;
    case GL_UNPACK_SKIP_PIXELS: c.unpack.skip_pixels = v; break;
    case GL_UNPACK_SKIP_ROWS: c.unpack.skip_rows = v; break;
    case GL_UNPACK_SWAP_BYTES: c.unpack.swap_bytes = v; break;  // bytes have nothing to swap
    case GL_UNPACK_LSB_FIRST: c.unpack.lsb_first = v; break;    // only bitmaps read it
    case GL_PACK_ALIGNMENT: c.pack.alignment = v; break;
    case GL_PACK_ROW_LENGTH: c.pack.row_length = v; break;
    case GL_PACK_SKIP_PIXELS: c.pack.skip_pixels = v; break;
    case GL_PACK_SKIP_ROWS: c.pack.skip_rows = v; break;
    case GL_PACK_SWAP_BYTES: c.pack.swap_bytes = v; break;
    case GL_PACK_LSB_FIRST: c.pack.lsb_first = v; break;
    default: break;
  }
}
void glPixelStoref(GLenum pname, GLfloat v) { glPixelStorei(pname, GLint(v)); }

void glPixelTransferf(GLenum pname, GLfloat v) {
  Attrib& a = L().a;
  switch (pname) {
    case GL_RED_SCALE: a.scale[0] = v; break;
    case GL_GREEN_SCALE: a.scale[1] = v; break;
    case GL_BLUE_SCALE: a.scale[2] = v; break;
    case GL_ALPHA_SCALE: a.scale[3] = v; break;
    case GL_RED_BIAS: a.bias[0] = v; break;
    case GL_GREEN_BIAS: a.bias[1] = v; break;
    case GL_BLUE_BIAS: a.bias[2] = v; break;
    case GL_ALPHA_BIAS: a.bias[3] = v; break;
    default: break;  // colour maps are not kept: GL_MAP_COLOR stays off
  }
}
void glPixelTransferi(GLenum pname, GLint v) { glPixelTransferf(pname, GLfloat(v)); }
void glPixelZoom(GLfloat x, GLfloat y) { L().a.zoom_x = x, L().a.zoom_y = y; }

void glRasterPos3d(GLdouble x, GLdouble y, GLdouble z) {
  Layer& l = L();
  Attrib& a = l.a;
  double v[4] = {x, y, z, 1}, eye[4], clip[4];
  transform(l.modelview.back().data(), v, eye);
  transform(l.projection.back().data(), eye, clip);
  a.raster_valid = clip[3] > 0;
  for (int i = 0; i < 3 && a.raster_valid; i++)
    a.raster_valid = clip[i] >= -clip[3] && clip[i] <= clip[3];
  if (!a.raster_valid) return;
  a.raster[0] = a.viewport[0] + (clip[0] / clip[3] + 1) * a.viewport[2] / 2;
  a.raster[1] = a.viewport[1] + (clip[1] / clip[3] + 1) * a.viewport[3] / 2;
  a.raster[2] = (clip[2] / clip[3] + 1) / 2;
}
void glRasterPos2f(GLfloat x, GLfloat y) { glRasterPos3d(x, y, 0); }
void glRasterPos2d(GLdouble x, GLdouble y) { glRasterPos3d(x, y, 0); }
void glRasterPos2i(GLint x, GLint y) { glRasterPos3d(x, y, 0); }
void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z) { glRasterPos3d(x, y, z); }

void glDrawPixels(GLsizei w, GLsizei h, GLenum format, GLenum, const GLvoid* data) {
  Layer& l = L();
  const Attrib& a = l.a;
  if (!l.ready || !a.raster_valid || w <= 0 || h <= 0 || l.width <= 0 || l.height <= 0) return;
  touch();
  std::vector<uint8_t> rgba = unpack(w, h, format, data);
  emscripten_glBindTexture(GL_TEXTURE_2D, l.pixel_texture);
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  emscripten_glTexImage2D(GL_TEXTURE_2D, 0, kRgba8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  // The rectangle in window coordinates, drawn over the whole drawing buffer: nearest sampling
  // at the pixel centres it covers gives each covered pixel its own image pixel.
  const double x0 = a.raster[0], y0 = a.raster[1], x1 = x0 + w * a.zoom_x, y1 = y0 + h * a.zoom_y;
  const double z = a.raster[2] * 2 - 1;
  auto nx = [&](double x) { return float(x * 2 / l.width - 1); };
  auto ny = [&](double y) { return float(y * 2 / l.height - 1); };
  const float corners[4][4] = {{nx(x0), ny(y0), 0, 0}, {nx(x1), ny(y0), 1, 0},
                               {nx(x1), ny(y1), 1, 1}, {nx(x0), ny(y1), 0, 1}};
  std::vector<float> verts;
  for (int i : {0, 1, 2, 0, 2, 3}) {
    const float* c = corners[i];
    float v[kFloatsPerVertex] = {c[0], c[1], float(z), 1, 1, 1, 1, 1, c[2], c[3], 0, 1};
    verts.insert(verts.end(), v, v + kFloatsPerVertex);
  }
  apply_fragment_state();
  emscripten_glViewport(0, 0, l.width, l.height);
  FragmentKey k;
  k.tex_mode = 1, k.env = 1, k.base = 3;
  set_alpha_test(k);
  const Program& p = use_program(k);
  set_alpha_ref(p);
  submit(verts, GL_TRIANGLES, p);
  // The next batch binds its own texture; the pixel texture must not stay bound as the 2D one.
  emscripten_glBindTexture(GL_TEXTURE_2D, 0);
}

void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum, GLvoid* pixels) {
  if (!L().ready || w <= 0 || h <= 0) return;
  touch();
  std::vector<uint8_t> rgba = read_rgba(x, y, w, h);
  pack(w, h, rgba.data(), format, pixels, false);
}

// ---- attribute stacks

void glPushAttrib(GLbitfield mask) {
  Layer& l = L();
  l.attrib_stack.push_back(l.a);
  l.attrib_masks.push_back(mask);
}

void glPopAttrib() {
  Layer& l = L();
  if (l.attrib_stack.empty()) return;
  touch();
  Attrib s = l.attrib_stack.back();
  GLbitfield m = l.attrib_masks.back();
  l.attrib_stack.pop_back();
  l.attrib_masks.pop_back();
  Attrib& a = l.a;
  auto restore = [&](std::initializer_list<GLenum> caps) {
    for (GLenum cap : caps) a.enabled[cap] = s.enabled[cap];
  };
  if (m & GL_CURRENT_BIT) {
    std::memcpy(a.colour, s.colour, sizeof a.colour);
    std::memcpy(a.texcoord, s.texcoord, sizeof a.texcoord);
    std::memcpy(a.normal, s.normal, sizeof a.normal);
    a.raster_valid = s.raster_valid;
    std::memcpy(a.raster, s.raster, sizeof a.raster);
  }
  if (m & GL_ENABLE_BIT) a.enabled = s.enabled;
  if (m & GL_COLOR_BUFFER_BIT) {
    a.alpha_func = s.alpha_func, a.alpha_ref = s.alpha_ref;
    a.blend_src = s.blend_src, a.blend_dst = s.blend_dst;
    std::memcpy(a.clear_colour, s.clear_colour, sizeof a.clear_colour);
    a.draw_buffer = s.draw_buffer;
    restore({GL_ALPHA_TEST, GL_BLEND, GL_DITHER, GL_COLOR_LOGIC_OP, GL_INDEX_LOGIC_OP});
  }
  if (m & GL_DEPTH_BUFFER_BIT) {
    a.depth_func = s.depth_func, a.depth_mask = s.depth_mask, a.clear_depth = s.clear_depth;
    restore({GL_DEPTH_TEST});
  }
  if (m & GL_TEXTURE_BIT) {
    a.bound_2d = s.bound_2d, a.bound_cube = s.bound_cube, a.env_mode = s.env_mode;
    restore({GL_TEXTURE_1D, GL_TEXTURE_2D, kCubeMap, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T});
  }
  if (m & GL_TRANSFORM_BIT) {
    a.matrix_mode = s.matrix_mode;
    restore({GL_NORMALIZE, GL_CLIP_PLANE0, GL_CLIP_PLANE1, GL_CLIP_PLANE2, GL_CLIP_PLANE3,
             GL_CLIP_PLANE4, GL_CLIP_PLANE5});
  }
  if (m & GL_PIXEL_MODE_BIT) {
    std::memcpy(a.scale, s.scale, sizeof a.scale);
    std::memcpy(a.bias, s.bias, sizeof a.bias);
    a.zoom_x = s.zoom_x, a.zoom_y = s.zoom_y, a.read_buffer = s.read_buffer;
  }
  if (m & GL_LIGHTING_BIT) {
    a.shade_model = s.shade_model, a.material = s.material, a.colour_material = s.colour_material;
    for (int i = 0; i < 8; i++) a.lights[i] = s.lights[i];
    std::memcpy(a.model_ambient, s.model_ambient, sizeof a.model_ambient);
    restore({GL_LIGHTING, GL_COLOR_MATERIAL, GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4,
             GL_LIGHT5, GL_LIGHT6, GL_LIGHT7});
  }
  if (m & GL_SCISSOR_BIT) {
    std::memcpy(a.scissor, s.scissor, sizeof a.scissor);
    restore({GL_SCISSOR_TEST});
  }
  if (m & GL_VIEWPORT_BIT) std::memcpy(a.viewport, s.viewport, sizeof a.viewport);
  if (m & GL_POINT_BIT) {
    a.point_size = s.point_size;
    restore({GL_POINT_SMOOTH});
  }
  if (m & GL_LINE_BIT) {
    a.line_width = s.line_width;
    restore({GL_LINE_SMOOTH, GL_LINE_STIPPLE});
  }
  if (m & GL_TEXTURE_BIT) {
    // The restored bindings' objects are the ones the next batch samples.
    texture_object(a.bound_2d, GL_TEXTURE_2D);
    texture_object(a.bound_cube, kCubeMap);
  }
}

void glPushClientAttrib(GLbitfield) { L().client_stack.push_back(L().c); }
void glPopClientAttrib() {
  Layer& l = L();
  if (l.client_stack.empty()) return;
  l.c = l.client_stack.back();
  l.client_stack.pop_back();
}

}  // extern "C"
