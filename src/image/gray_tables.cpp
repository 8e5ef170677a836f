#include "image/gray_tables.h"

namespace image {

const GrayTables& grayTables() {
  static const GrayTables tables = [] {
    GrayTables t{};
    for (int i = 0; i < 256; ++i) {
      t.red[i] = i * 0.298912;
      t.green[i] = i * 0.586611;
      t.blue[i] = i * 0.114477;
    }
    return t;
  }();
  return tables;
}

}  // namespace image
