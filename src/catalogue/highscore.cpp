// High scores: after every game the collected total is taken over, and a score that reaches the
// game's top ten is inserted with its label and the player's name. Asking for the name is the
// caller's business: it learns the rank first and hands the name in with the result.
#include "catalogue/catalogue.h"

int HighScoreRank(int game, uint32_t score) {
    GameEntry *entry = CatalogueGame(game);
    return entry ? TopTenPlace(entry->rankScores, score) + 1 : 0;
}

void UpdateHighScore(int game, int32_t zumi, uint32_t score, const char *label, size_t labelSize,
                     const char *name) {
    GameCatalogue.ZumiTotal = zumi;
    GameEntry *entry = CatalogueGame(game);
    if (!entry) return;
    TopTenTable table = {entry->rankNames, entry->rankScores, entry->rankLabels};
    InsertTopTen(table, score, label, labelSize, name, sizeof GameCatalogue.PlayerName);
}
