// The sizes of a group: kelvarin reads groups of 2 to 20 players, and the
// grid, its buttons, the default D and the legend know no others.
export const fewestPlayers = 2;
export const mostPlayers = 20;

// Return true when n is a number of players a group may have.
export function isPlayerCount(n) {
  return Number.isInteger(n) && n >= fewestPlayers && n <= mostPlayers;
}
