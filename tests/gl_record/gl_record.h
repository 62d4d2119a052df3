// Records the OpenGL calls a test program makes while recording is on, each still passed on to
// the real library. Linked only into the programs that check drawing call by call: it defines the
// gl* functions below itself, so the code under test reaches them first.
#pragma once

#include <string>
#include <vector>

namespace gl_record {

struct Call {
  std::string name;          // "glVertex3d", ...
  std::vector<double> args;  // every argument as a double (enums and bit masks by value)
};

void start();                // clears the record and starts recording
std::vector<Call> stop();    // stops and returns what was recorded

// The calls named name, in order.
std::vector<Call> only(const std::vector<Call>& calls, const std::string& name);

}  // namespace gl_record
