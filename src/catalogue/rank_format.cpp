// The top-ten table's insertion; see rank_format.h. Names and labels come from games and dialogs in
// fields of any size, so they are cut to the table's fields whole characters at a time.
#include "catalogue/rank_format.h"
#include <string.h>
#include "base/text_format.h"

int TopTenPlace(const uint32_t *scores, uint32_t score) {
    if (score == 0 || score < scores[TOP_TEN - 1]) return -1;
    int rank = 0;
    while (scores[rank] > score) rank++;
    return rank;
}

int InsertTopTen(TopTenTable table, uint32_t score, const char *label, size_t labelSize, const char *name,
                 size_t nameSize) {
    int rank = TopTenPlace(table.scores, score);
    if (rank < 0) return -1;
    for (int i = TOP_TEN - 1; i > rank; i--) {
        table.scores[i] = table.scores[i - 1];
        memcpy(table.names[i], table.names[i - 1], RANK_NAME_BYTES);
        memcpy(table.labels[i], table.labels[i - 1], RANK_LABEL_BYTES);
    }
    table.scores[rank] = score;
    CutText(table.labels[rank], RANK_LABEL_BYTES, label, labelSize);
    CutText(table.names[rank], RANK_NAME_BYTES, name, nameSize);
    return rank;
}
