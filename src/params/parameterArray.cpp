// Parameter record, command line, compatibility rules and derived values.
#include "params/parameterArray.h"

#include "util/errors.h"

// TODO(params): placeholder until the parameter module lands.
std::unique_ptr<ParameterArray> initParameterArray(int, int, double, bool, bool, bool, bool, int, char, char,
                                                   const std::string&, bool, char) {
    return std::make_unique<ParameterArray>();
}
void freeParameterArray(std::unique_ptr<ParameterArray>& params) { params.reset(); }
void setDerivedParameters(ParameterArray&, int) {}
std::unique_ptr<ParameterArray> readParameters(int, const char* const*) { fail(stderr, "not built yet\n"); }
void fprintUsage(FILE*) {}
void fprintParameterArray(FILE*, const ParameterArray&) {}
