# Every figure the package returns is the double that read.csv reads from
# kelvarin-table's CSV of the same files: the end-to-end cases' data files
# and 1,000 generated ones.
files <- function() c(case_inputs(), generated_files(file.path(tempdir(), "generated"), 1000))

figures <- c("players", "empath", "driver", "s_e", "determinant", "condition", "log_condition",
             "near_ties", "empath_margin", "driver_margin", "warnings")

test_that("analyse_files gives kelvarin-table's columns, types and doubles", {
  paths <- files()
  expected <- table_csv(paths)
  got <- analyse_files(paths, jobs = 2)
  expect_identical(names(got), names(expected))
  for (column in names(expected)) {
    expect_identical(got[[column]], expected[[column]], label = column)
  }
  compared <- sum(!is.na(as.matrix(got[figures])))
  message(sprintf("analyse_files: %d files, %d figures identical to kelvarin-table's CSV",
                  length(paths), compared))
  expect_gt(compared, 10000)
  expect_true(all(c("ok", "singular", "error") %in% got$status))
})

test_that("analyse gives the sums and weights of kelvarin-table --players", {
  paths <- files()
  players <- table_csv(paths, "--players")
  compared <- 0
  for (path in unique(players$file)) {
    expected <- players[players$file == path, ]
    a <- analyse(read_group(path))
    weights <- rep(NA_real_, a$n)
    weights[-a$empath] <- if (is.null(a$q)) NA_real_ else a$q
    expect_identical(unname(a$column_sums), expected$column_sum, label = path)
    expect_identical(unname(a$row_sums), expected$row_sum, label = path)
    expect_identical(weights, expected$weight, label = path)
    expect_identical(seq_len(a$n) == a$empath, expected$is_empath, label = path)
    expect_identical(seq_len(a$n) == a$driver, expected$is_driver, label = path)
    compared <- compared + 3 * a$n
  }
  message(sprintf("analyse: %d files, %d figures identical to kelvarin-table --players",
                  length(unique(players$file)), compared))
})

test_that("perturb gives kelvarin-table --perturb's shares and quantiles", {
  paths <- files()
  options <- c("--perturb=0.01", "--draws=200", "--seed=7")
  expected <- table_csv(paths, options)
  players <- table_csv(paths, c("--players", options))
  drawn <- c("draws", "empath_share", "driver_share", "singular_share", "s_e_low",
             "s_e_median", "s_e_high")
  compared <- 0
  for (i in which(!is.na(expected$draws))) {
    path <- paths[[i]]
    got <- perturb(path, 0.01, draws = 200, seed = 7)
    for (figure in drawn) {
      expect_identical(got[[figure]], as.double(expected[[figure]][[i]]), label = figure)
    }
    mine <- players[players$file == path, ]
    expect_identical(got$players$empath_share, mine$empath_share, label = path)
    expect_identical(got$players$driver_share, mine$driver_share, label = path)
    # An analysis draws as its file does.
    from_analysis <- perturb(analyse(read_group(path)), 0.01, draws = 200, seed = 7)
    expect_identical(from_analysis$s_e_median, got$s_e_median, label = path)
    compared <- compared + sum(!is.na(unlist(got[drawn]))) + 2 * nrow(mine)
  }
  message(sprintf("perturb: %d files, %d figures identical to kelvarin-table --perturb",
                  sum(!is.na(expected$draws)), compared))
})
