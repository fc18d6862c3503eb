// The top-ten table of a game: scores never increasing, 0 an empty rank; a new score goes above
// equal ones and the tenth rank drops out. Portable: no Windows header.
#ifndef ROBINA_RANK_FORMAT_H
#define ROBINA_RANK_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum { TOP_TEN = 10, RANK_NAME_BYTES = 17, RANK_LABEL_BYTES = 20 };

typedef struct TopTenTable {
    char (*names)[RANK_NAME_BYTES];
    uint32_t *scores;
    char (*labels)[RANK_LABEL_BYTES];
} TopTenTable;

// The index (0 to 9) the score would take, or -1 when it ranks nowhere (0 never ranks).
int TopTenPlace(const uint32_t *scores, uint32_t score);
// Inserts the score with its label and name (texts of at most the given sizes, cut to the fields
// without splitting a Shift-JIS character). Returns the index it took, or -1.
int InsertTopTen(TopTenTable table, uint32_t score, const char *label, size_t labelSize, const char *name,
                 size_t nameSize);

#endif
