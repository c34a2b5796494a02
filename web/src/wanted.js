// "Is this answer still wanted?": every choice asks its question anew, and
// an answer that arrives after a newer question of the same kind is
// dropped, as a search box drops stale answers.

// Return {ask(), drop()}: ask() counts a new question and returns
// wanted(), true until a newer question is asked or drop() is called.
export function latest() {
  let asked = 0;
  return {
    ask() {
      const mine = ++asked;
      return () => mine === asked;
    },
    drop() {
      asked++;
    },
  };
}
