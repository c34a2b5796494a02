# What the package refuses, each an R error with a clear message, and a
# session that answers after anything it is given.

test_that("bad arguments are R errors that say what was wrong", {
  triad <- analyse(matrix(c(1, 0.5, 0.25, 0.5, 1, 0.5, 0.25, 0.75, 1), 3))
  cases <- list(
    list(quote(analyse(matrix(1, 2, 3))), "must be square, not 2 by 3"),
    list(quote(analyse(matrix("1", 2, 2))), "numeric matrix"),
    list(quote(analyse(c(1, 2, 3, 4))), "numeric matrix"),
    list(quote(analyse(data.frame(a = 1:2, b = c("x", "y")))), "numeric matrix"),
    list(quote(analyse(matrix(c(1, NA, 0, 1), 2))), "influence\\[2, 1\\] is NA"),
    list(quote(analyse(matrix(c(1, 0, Inf, 1), 2))), "influence\\[1, 2\\] is Inf"),
    list(quote(analyse(matrix(c(1, 0, 0, 1e39), 2))), "influence\\[2, 2\\] is 1e\\+39"),
    list(quote(analyse(matrix(1, 1, 1))), "2 to 20 players, not 1"),
    list(quote(analyse(diag(21))), "2 to 20 players, not 21"),
    list(quote(analyse(diag(3), names = c("a", "b"))), "3 strings"),
    list(quote(perturb(triad, d = 0)), "d must be one finite number above 0"),
    list(quote(perturb(triad, d = -1)), "d must be"),
    list(quote(perturb(triad, d = 0.01, draws = 0)), "draws must be a whole number from 1 to 1000000"),
    list(quote(perturb(triad, d = 0.01, draws = 1e6 + 1)), "draws must be"),
    list(quote(perturb(triad, d = 0.01, draws = 2.5)), "draws must be"),
    list(quote(perturb(triad, d = 0.01, seed = -1)), "seed must be"),
    list(quote(perturb(analyse(diag(2) * 1e38), d = 3e38)), "too large for these values"),
    list(quote(analyse_files("x.dat", jobs = 0)), "jobs must be"),
    list(quote(as_dot(triad, view = "pie")), "should be one of"),
    list(quote(read_group(NA_character_)), "path must be one string"))
  for (case in cases) {
    expect_error(eval(case[[1]]), case[[2]], label = deparse(case[[1]]))
  }
})

test_that("a file kelvarin refuses is a kelvarin_error with its place", {
  missing <- file.path(tempdir(), "no such.dat")
  e <- tryCatch(read_group(missing), kelvarin_error = function(e) e)
  expect_s3_class(e, "kelvarin_error")
  expect_identical(e$file, missing)
  expect_match(conditionMessage(e), "Data file not found")
  bad <- tempfile(fileext = ".dat")
  writeLines(c("Two players", "2", "1 0", "0 x"), bad)
  e <- tryCatch(read_group(bad), kelvarin_error = function(e) e)
  expect_identical(c(e$line, e$column), c(4L, 3L))
  expect_match(conditionMessage(e), paste0(bad, ":4:3: Error reading in matrix"), fixed = TRUE)
  expect_error(perturb(bad, 0.01), class = "kelvarin_error")
  # Every file gets its row, whatever the others' fate.
  rows <- analyse_files(c(bad, missing, bad))
  expect_identical(rows$status, c("error", "error", "error"))
  expect_identical(nrow(rows), 3L)
})

# Run lines as a script in an R session of its own, with this session's
# libraries, and return what it printed (and what it said, when stderr).
in_own_session <- function(lines, stderr = TRUE) {
  script <- tempfile(fileext = ".R")
  writeLines(lines, script)
  system2(file.path(R.home("bin"), "Rscript"), shQuote(script), stdout = TRUE, stderr = stderr,
          env = paste0("R_LIBS=", paste(.libPaths(), collapse = ":")))
}

test_that("the session answers after a singular M, 21 players and a NaN", {
  out <- in_own_session(c(
    "library(kelvarin)",
    "s <- analyse(matrix(c(1, 0, 0.25, 0.5, 0, 0.5, 0.25, 0.75, 0.9), 3))",
    "cat(s$status, is.na(s$s_e), is.null(s$q), '\\n')",
    "cat(substring(format(s, 'report'), 1, 0))",
    "try(analyse(diag(21)), silent = TRUE)",
    "try(analyse(matrix(c(1, NaN, 0, 1), 2)), silent = TRUE)",
    "invisible(perturb(s, 0.01))",
    "cat('answers', analyse(diag(2))$status, '\\n')"))
  expect_identical(out, c("singular TRUE TRUE ", "answers ok "))
})

test_that("an interrupt stops analyse_files() long before its end, as an interrupt", {
  # A SIGINT (Ctrl-C; Esc in a GUI asks the same) 0.3 s into a call of ten
  # seconds or more is R's interrupt within a small part of them: the
  # calling thread sees it between its files, the other thread takes no
  # more. Unseen, the call would run to its end. 1,000 draws of each file
  # make a short list last (a long one takes its rows' memory before any
  # file is analysed). In a session of its own, which the signal is sent to.
  skip_on_os("windows")
  files <- generated_files(file.path(tempdir(), "interrupted"), 10)
  out <- in_own_session(c(
    sprintf("files <- c(%s)", paste(deparse(files), collapse = "")),
    "call <- function(n) kelvarin:::table_of(rep(files, n), 2, 0.01, 1000, '1')",
    "n <- 1",
    "while ((seconds <- system.time(call(n))[['elapsed']]) < 0.2) n <- n * 4",
    "times <- ceiling(10 / seconds)",
    "me <- Sys.getpid()",
    "child <- parallel::mcparallel({ Sys.sleep(0.3); tools::pskill(me, tools::SIGINT) })",
    "start <- proc.time()[['elapsed']]",
    "got <- tryCatch({ call(n * times); 'finished' }, interrupt = function(e) 'interrupted')",
    "stopped <- proc.time()[['elapsed']] - start",
    "invisible(parallel::mccollect(child))",
    "whole <- seconds * times",
    "cat(got, if (stopped < whole / 4) 'soon' else sprintf('after %.2f s of %.1f', stopped, whole),",
    "    '\\n')",
    "cat('answers', kelvarin::analyse(diag(2))$status, '\\n')"), stderr = FALSE)
  expect_identical(out, c("interrupted soon ", "answers ok "))
})
