# The programs and the repository that the comparisons need, as make r gives
# them: KELVARIN_TABLE and KELVARIN_GRAPH, built programs, and
# KELVARIN_REPOSITORY, the repository's folder (its tests/cases and
# examples).
program <- function(variable) {
  path <- Sys.getenv(variable)
  if (!nzchar(path)) {
    skip(paste(variable, "is not set: make r sets it to compare the package with the programs"))
  }
  path
}

repository <- function() program("KELVARIN_REPOSITORY")

# The end-to-end cases' data files, named by their case.
case_inputs <- function() {
  inputs <- Sys.glob(file.path(repository(), "tests", "cases", "*", "input"))
  stats::setNames(inputs, basename(dirname(inputs)))
}

# n_files data files made from a fixed seed: 2 to 20 players, values of 1 to
# 7 decimals between -1 and 1; every 25th has a zero row (M singular when it
# is not the empath's), every 30th a decimal comma (refused), every 20th
# text after its values (a warning).
generated_files <- function(folder, n_files) {
  dir.create(folder, showWarnings = FALSE)
  set.seed(46)
  paths <- file.path(folder, sprintf("g%04d.dat", seq_len(n_files)))
  for (f in seq_len(n_files)) {
    n <- sample(2:20, 1)
    values <- matrix(sprintf(paste0("%.", sample(1:7, n * n, TRUE), "f"),
                             stats::runif(n * n, -1, 1)), n, n)
    if (f %% 25 == 0) values[2, ] <- "0"
    if (f %% 30 == 0) values[n, 1] <- sub(".", ",", values[n, 1], fixed = TRUE)
    lines <- c(sprintf("Generated group %d", f), n, apply(values, 1, paste, collapse = " "))
    if (f %% 20 == 0) lines <- c(lines, "99")
    writeLines(lines, paths[[f]])
  }
  paths
}

# kelvarin-table's CSV of paths, with options, as read.csv reads it; its
# fields' text in attribute "text".
table_csv <- function(paths, options = character()) {
  list_file <- tempfile(fileext = ".list")
  writeLines(paths, list_file)
  csv <- tempfile(fileext = ".csv")
  system2(program("KELVARIN_TABLE"), c("-q", options, paste0("--files-from=", list_file)),
          stdout = csv, stderr = FALSE)
  structure(utils::read.csv(csv), text = utils::read.csv(csv, colClasses = "character"))
}

# Expect the doubles got to be those that the texts of a CSV column stand
# for, and read.csv's doubles from them (read) but where R's reading of a
# text misses the nearest double, as it can by a unit in the last place.
# Return how many figures read.csv read identically, and how many it
# misread.
expect_figures <- function(got, read, text, label) {
  read <- as.double(read)  # a column of whole numbers reads as integers
  exact <- kelvarin:::read_numbers(text)
  expect_identical(got, exact, label = label)
  misread <- !is.na(exact) & !is.na(read) & exact != read
  expect_identical(is.na(got) | misread, is.na(read) | misread, label = label)
  expect_identical(got[!misread], read[!misread], label = label)
  c(identical = sum(!is.na(got) & !misread), misread = sum(misread))
}
