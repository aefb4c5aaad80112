#include "fog_setting.h"

#include "filelib/fileio.h"
#include "install_state.h"

namespace {

const char fog_file_name[] = "frontend.dat";
const int fog_line_capacity = 255;

}  // namespace

void load_fog_setting(const char* install_dir, int* nofog) {
  pf_dir* dir = pfdir_new(install_dir, nullptr);
  pf_file* file = pfopen(dir, fog_file_name, "rb");
  if (file != nullptr) {
    char line[fog_line_capacity + 1];
    if (pfgets(file, line, fog_line_capacity) && equals_ignoring_case(line, "NOFOG")) {
      *nofog = 1;
    }
    pfclose(file);
  }
  pfdir_close(dir);
}

int store_fog_setting(const char* install_dir, int nofog, unsigned long* error) {
  if (error != nullptr) *error = 0;
  pf_dir* dir = pfdir_new(install_dir, nullptr);
  if (dir == nullptr) return 0;
  pf_file* file = pfreplace_open(dir, fog_file_name);
  // A line that fails to go out fails the commit, which then keeps the old file.
  if (file != nullptr) pfputs(file, nofog == 1 ? "NOFOG" : "FOG");
  const int stored = file != nullptr && pfreplace_commit(file);
  if (!stored && error != nullptr) *error = pfreplace_error();
  pfdir_close(dir);
  return stored;
}
