// The full-page programs' side of the web host (the gallery and the examples; the player's page
// uses the <vantorel-player> element): starts a program (one fresh instance per run) and gives it
// the message box dialog and the console panel. window.vantorel holds the state the tests read:
// 'loading', 'running' or 'ended', the exit code, the polls seen and the boxes.
'use strict';
var VantorelPage = (function () {
  var state = { status: 'loading', exitCode: null, polls: 0, boxes: [], module: null };
  window.vantorel = state;
  var consolePanel = document.getElementById('console');
  // A program that ends from inside a sleep or a message box ends by an exception that nothing
  // catches: that is the end of the run, not an error of the page.
  window.addEventListener('unhandledrejection', function (e) {
    if (e.reason && e.reason.name === 'ExitStatus') e.preventDefault();
  });
  window.addEventListener('error', function (e) {
    if (e.error && e.error.name === 'ExitStatus') e.preventDefault();
  });

  function messageBox(caption, text) {
    state.boxes.push(caption + ': ' + text);
    var box = document.getElementById('box');
    document.getElementById('box-caption').textContent = caption;
    document.getElementById('box-text').textContent = text;
    return new Promise(function (resolve) {
      box.addEventListener('close', function () { resolve(1); }, { once: true });
      box.showModal();  // Return presses the focused OK button
    });
  }

  function writeConsole(text) { consolePanel.textContent += text; }

  // Starts factory's program with args after putting files ([{name, data}]) under /files.
  function start(factory, args, files) {
    state.status = 'loading';
    state.exitCode = null;
    state.polls = 0;
    var options = {
      canvas: document.getElementById('canvas'),
      print: function (text) { writeConsole(text + '\n'); },
      printErr: function (text) { console.warn(text); },
      vantorelMessageBox: messageBox,
      vantorelConsole: writeConsole,
      vantorelPoll: function (n) { state.polls = n; },
      onExit: function (code) { state.status = 'ended'; state.exitCode = code; },
      preRun: [function (mod) {
        mod.FS.mkdir('/files');
        mod.FS.mkdir('/vantorel');
        files.forEach(function (f) { mod.FS.writeFile('/files/' + f.name, f.data); });
      }],
    };
    return factory(options).then(function (mod) {
      state.module = mod;
      state.status = 'running';
      document.getElementById('canvas').focus();
      try {
        mod.callMain(args);
      } catch (e) {
        if (!(e && e.name === 'ExitStatus')) throw e;
      }
      return mod;
    });
  }

  function program(factory, args) { return start(factory, args, []); }

  return { program: program, start: start };
})();
