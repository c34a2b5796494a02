# Every figure the package returns is the double of kelvarin-table's CSV of
# the same files, the end-to-end cases' data files and 1,000 generated ones:
# identical to what read.csv reads, but where R's reading of the text itself
# misses the double the text stands for.
files <- function() c(case_inputs(), generated_files(file.path(tempdir(), "generated"), 1000))

say <- function(what, files, counts) {
  message(sprintf("%s: %d files, %d figures identical to read.csv's, %d more that R's reading of the CSV's text misses by a unit in the last place",
                  what, files, counts[["identical"]], counts[["misread"]]))
}

test_that("analyse_files gives kelvarin-table's columns, types and doubles", {
  paths <- files()
  expected <- table_csv(paths)
  text <- attr(expected, "text")
  got <- analyse_files(paths, jobs = 2)
  expect_identical(names(got), names(expected))
  counts <- c(identical = 0, misread = 0)
  for (column in names(expected)) {
    if (is.double(expected[[column]]) && column != "players") {
      counts <- counts + expect_figures(got[[column]], expected[[column]], text[[column]], column)
    } else if (column == "description") {
      # read.csv reads a CR inside a quoted field as a line feed.
      expect_identical(gsub("\r", "\n", got[[column]]), expected[[column]], label = column)
    } else {
      expect_identical(got[[column]], expected[[column]], label = column)
      if (!is.character(got[[column]])) {
        counts[["identical"]] <- counts[["identical"]] + sum(!is.na(got[[column]]))
      }
    }
  }
  say("analyse_files", length(paths), counts)
  expect_gt(counts[["identical"]], 10000)
  expect_true(all(c("ok", "singular", "error") %in% got$status))
})

test_that("analyse gives the sums and weights of kelvarin-table --players", {
  paths <- files()
  players <- table_csv(paths, "--players")
  text <- attr(players, "text")
  got <- list(column_sum = NULL, row_sum = NULL, weight = NULL, is_empath = NULL,
              is_driver = NULL)
  for (path in unique(players$file)) {
    a <- analyse(read_group(path))
    weights <- rep(NA_real_, a$n)
    if (!is.null(a$q)) weights[-a$empath] <- a$q
    got$column_sum <- c(got$column_sum, unname(a$column_sums))
    got$row_sum <- c(got$row_sum, unname(a$row_sums))
    got$weight <- c(got$weight, weights)
    got$is_empath <- c(got$is_empath, seq_len(a$n) == a$empath)
    got$is_driver <- c(got$is_driver, seq_len(a$n) == a$driver)
  }
  counts <- c(identical = 0, misread = 0)
  for (column in c("column_sum", "row_sum", "weight")) {
    counts <- counts + expect_figures(got[[column]], players[[column]], text[[column]], column)
  }
  expect_identical(got$is_empath, players$is_empath)
  expect_identical(got$is_driver, players$is_driver)
  say("analyse", length(unique(players$file)), counts)
})

test_that("perturb gives kelvarin-table --perturb's shares and quantiles", {
  paths <- files()
  options <- c("--perturb=0.01", "--draws=100", "--seed=7")
  expected <- table_csv(paths, options)
  players <- table_csv(paths, c("--players", options))
  perturbed <- which(!is.na(expected$draws))
  drawn <- c("draws", "empath_share", "driver_share", "singular_share", "s_e_low",
             "s_e_median", "s_e_high")
  got <- list()
  again <- list()
  for (i in perturbed) {
    one <- perturb(paths[[i]], 0.01, draws = 100, seed = 7)
    for (figure in drawn) got[[figure]] <- c(got[[figure]], one[[figure]])
    for (figure in c("empath_share", "driver_share")) {
      got[[paste0("player_", figure)]] <- c(got[[paste0("player_", figure)]],
                                             one$players[[figure]])
    }
    # An analysis of the file's values draws as the file does.
    if (i %% 10 == 0) {
      again[[paths[[i]]]] <- list(one[drawn],
                                  perturb(analyse(read_group(paths[[i]])), 0.01, draws = 100,
                                          seed = 7)[drawn])
    }
  }
  counts <- c(identical = 0, misread = 0)
  for (figure in drawn) {
    counts <- counts + expect_figures(got[[figure]], expected[[figure]][perturbed],
                                      attr(expected, "text")[[figure]][perturbed], figure)
  }
  for (figure in c("empath_share", "driver_share")) {
    counts <- counts + expect_figures(got[[paste0("player_", figure)]], players[[figure]],
                                      attr(players, "text")[[figure]], figure)
  }
  expect_identical(lapply(again, `[[`, 2), lapply(again, `[[`, 1))
  expect_gt(length(again), 50)
  say("perturb", length(perturbed), counts)
})
