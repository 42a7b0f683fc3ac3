// What every platform's outputs share: putting several finished outputs in
// place all together or not at all.

#include "tools/render/output_file.h"

#include <string>
#include <vector>

namespace quorvex {

bool OutputFile::CommitAll(std::span<OutputFile* const> outputs, std::string& error) {
  // Outputs whose old content can be given back go first. The last one
  // needs none (its failure leaves nothing to put back), and makes none: a
  // second name of a file held open by another program could not be
  // removed. Where an old content cannot be kept (a file system without
  // hard links, a file in use), that output is put last.
  std::vector<OutputFile*> order;
  std::vector<OutputFile*> last;
  for (OutputFile* o : outputs) {
    if (order.size() + 1 < outputs.size() && o->KeepOld())
      order.push_back(o);
    else
      last.push_back(o);
  }
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
