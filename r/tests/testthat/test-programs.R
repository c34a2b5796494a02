# The package against the programs' own outputs: kelvarin's report and
# warnings in the end-to-end cases, kelvarin-graph's DOT.

# The cases whose data file kelvarin reads, with kelvarin's stdout and stderr.
read_cases <- function() {
  inputs <- case_inputs()
  status <- vapply(inputs, function(input) {
    readLines(file.path(dirname(input), "status"), warn = FALSE)[[1]]
  }, "")
  inputs[status %in% c("0", "abort")]
}

test_that("format(x, \"report\") is kelvarin's report, byte for byte", {
  inputs <- read_cases()
  for (case in names(inputs)) {
    expected <- readBin(file.path(dirname(inputs[[case]]), "stdout"), "raw", 1e6)
    got <- charToRaw(format(analyse(read_group(inputs[[case]])), "report"))
    expect_identical(got, expected, label = case)
  }
  message(sprintf("format(x, \"report\"): %d reports identical to kelvarin's", length(inputs)))
  expect_gt(length(inputs), 15)
})

test_that("read_group's warnings are kelvarin's, at the same line and column", {
  inputs <- read_cases()
  said <- 0
  for (case in names(inputs)) {
    lines <- readLines(file.path(dirname(inputs[[case]]), "stderr"), warn = FALSE)
    lines <- grep("^[^ ].*:[0-9]+:[0-9]+: warning: ", lines, value = TRUE)
    place <- regmatches(lines, regexpr(":[0-9]+:[0-9]+: warning: ", lines))
    expected <- data.frame(
      line = as.integer(sub("^:([0-9]+):.*", "\\1", place)),
      column = as.integer(sub("^:[0-9]+:([0-9]+):.*", "\\1", place)),
      message = sub(".*?:[0-9]+:[0-9]+: warning: ", "", lines, perl = TRUE))
    expect_identical(read_group(inputs[[case]])$warnings, expected, label = case)
    said <- said + length(lines)
  }
  expect_gt(said, 3)
})

test_that("as_dot is kelvarin-graph's DOT", {
  graph <- program("KELVARIN_GRAPH")
  files <- c(Sys.glob(file.path(repository(), "examples", "*.dat")), read_cases())
  for (file in files) {
    a <- analyse(read_group(file))
    for (view in c("network", "heatmap", "focus")) {
      expected <- suppressWarnings(system2(graph, c(if (view != "network") paste0("--", view), shQuote(file)),
                          stdout = TRUE, stderr = FALSE))
      attributes(expected) <- NULL  # kelvarin-graph's status: 1 where S_E is not finite
      expect_identical(strsplit(as_dot(a, view), "\n")[[1]], expected,
                       label = paste(file, view))
    }
  }
  triad <- file.path(repository(), "examples", "triad.dat")
  named <- analyse(read_group(triad), names = c("Ann", "Bo", "Cy"))
  expected <- system2(graph, c("--top=1", "--names=Ann,Bo,Cy", shQuote(triad)),
                      stdout = TRUE, stderr = FALSE)
  expect_identical(strsplit(as_dot(named, top = 1), "\n")[[1]], expected)
})
