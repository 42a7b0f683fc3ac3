// What every platform's outputs share: putting several finished outputs in
// place all together or not at all.

#include "tools/render/output_file.h"

#include <string>
#include <vector>

namespace quorvex {

bool OutputFile::CommitAll(std::span<OutputFile* const> outputs, std::string& error) {
  // Outputs whose old content can be given back go first; at most the last
  // one cannot (a file system without hard links), and it is the one whose
  // failure needs nothing put back.
  std::vector<OutputFile*> order;
  std::vector<OutputFile*> last;
  for (OutputFile* o : outputs) (o->KeepOld() ? order : last).push_back(o);
  order.insert(order.end(), last.begin(), last.end());

  for (size_t i = 0; i < order.size(); ++i) {
    std::string why;
    if (order[i]->Install(why)) continue;
    error = order[i]->path() + ": " + why;
    std::vector<OutputFile*> keptBack;
    for (size_t j = i; j-- > 0;)
      if (!order[j]->PutBackOld()) keptBack.push_back(order[j]);
    for (OutputFile* o : outputs) {
      if (o == order[i] || o->direct()) continue;
      bool kept = false;
      for (OutputFile* k : keptBack) kept = kept || k == o;
      if (kept)
        error += "; " + o->path() + " was replaced, its old content is in " + o->OldName();
      else
        error += "; " + o->path() + " left as it was";
    }
    for (OutputFile* o : order) {
      bool kept = false;
      for (OutputFile* k : keptBack) kept = kept || k == o;
      if (!kept) o->DropOld();
      o->Abandon();
    }
    return false;
  }
  for (OutputFile* o : order) o->DropOld();
  return true;
}

}  // namespace quorvex
