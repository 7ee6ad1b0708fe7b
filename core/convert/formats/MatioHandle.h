// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// matio's files and variables, owned: a variable is freed, a file closed, when its owner
// goes. matio reports failures as null pointers and non-zero results; they become our
// write errors where the MATLAB writers meet the library.

#include <matio.h>

#include <memory>

namespace vantrel {

struct MatVarFree {
    void operator()(matvar_t* var) const { Mat_VarFree(var); }
};
using MatVar = std::unique_ptr<matvar_t, MatVarFree>;

struct MatFileClose {
    void operator()(mat_t* file) const { Mat_Close(file); }
};

class MatFile {
  public:
    explicit MatFile(mat_t* file) : file_(file) {}
    mat_t* get() const { return file_.get(); }
    explicit operator bool() const { return file_ != nullptr; }
    // Closes now; false when matio reported an error (for MATLAB 7.3: a late write).
    bool Close() {
        mat_t* file = file_.release();
        return file == nullptr || Mat_Close(file) == 0;
    }

  private:
    std::unique_ptr<mat_t, MatFileClose> file_;
};

}  // namespace vantrel
