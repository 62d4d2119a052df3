// The pages' side of the web host: starts a program (one fresh instance per run), gives it the
// message box dialog and the console panel, fetches the files the query names into its in-memory
// file system, and hands opened or dropped files to the player. window.vantorel holds the state
// the tests read: 'loading', 'running' or 'ended', the exit code, the polls seen and the boxes.
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

  // A file name the in-memory file system and the command line both take: no folders, no blanks.
  function safeName(name) {
    var base = String(name).split(/[\\/]/).pop() || 'file';
    return base.replace(/[^A-Za-z0-9._-]/g, '_');
  }

  // Only this site's files: another site's address fails as a missing file does.
  function fetchFile(url) {
    var u = new URL(url, location.href);
    if (u.origin !== location.origin) return Promise.resolve(null);
    return fetch(u, { mode: 'same-origin' }).then(function (r) {
      return r.ok ? r.arrayBuffer().then(function (b) { return new Uint8Array(b); }) : null;
    }, function () { return null; });
  }

  // The query as the player's switches: name=value is -name:value, a bare name is -name.
  function switchesFromQuery(query) {
    var args = [], src = null, caption = null;
    query.forEach(function (value, name) {
      if (name === 'src') src = value;
      else if (name === 'captionfile') caption = value;
      else if (name === 'version') args.push('--version');
      else if (value === '') args.push('-' + name);
      else args.push('-' + name + ':' + value);
    });
    return { args: args, src: src, caption: caption };
  }

  function player(factory) {
    var query = switchesFromQuery(new URLSearchParams(location.search));

    function play(anim, caption) {
      var files = [anim], args = query.args.slice();
      if (caption) {
        files.push(caption);
        args.push('-captionfile:/files/' + caption.name);
      }
      args.push('/files/' + anim.name);
      return start(factory, args, files.filter(function (f) { return f.data; }));
    }

    // Local files: played in place of the running animation, or in a new run.
    function openLocal(list) {
      var anims = [], captions = [];
      Array.prototype.forEach.call(list, function (f) {
        (/\.txt$/i.test(f.name) ? captions : anims).push(f);
      });
      if (!anims.length) return Promise.resolve();
      var read = function (f) {
        return f ? f.arrayBuffer().then(function (b) {
          return { name: safeName(f.name), data: new Uint8Array(b) };
        }) : Promise.resolve(null);
      };
      return Promise.all([read(anims[0]), read(captions[0])]).then(function (got) {
        var mod = state.module;
        if (state.status === 'running' && mod) {
          mod.FS.writeFile('/files/' + got[0].name, got[0].data);
          mod.ccall('web_drop_file', null, ['string'], ['/files/' + got[0].name]);
          return;
        }
        return play(got[0], got[1]);
      });
    }

    var input = document.getElementById('file');
    document.getElementById('open').addEventListener('click', function () { input.click(); });
    input.addEventListener('change', function () { openLocal(input.files); input.value = ''; });
    var stage = document.getElementById('stage');
    // The program takes its keys from the canvas: a click on it gives it the focus back.
    var canvas = document.getElementById('canvas');
    canvas.addEventListener('pointerdown', function () { canvas.focus(); });
    stage.addEventListener('dragover', function (e) { e.preventDefault(); stage.classList.add('dragging'); });
    stage.addEventListener('dragleave', function () { stage.classList.remove('dragging'); });
    stage.addEventListener('drop', function (e) {
      e.preventDefault();
      stage.classList.remove('dragging');
      if (e.dataTransfer && e.dataTransfer.files) openLocal(e.dataTransfer.files);
    });

    if (!query.src) {
      state.status = 'idle';
      // Help and version need no file.
      if (query.args.some(function (a) { return /^(-\?|-help|--help|-h|--version)$/.test(a); }))
        start(factory, query.args, []);
      return;
    }
    var animName = safeName(query.src), captionName = query.caption ? safeName(query.caption) : null;
    Promise.all([fetchFile(query.src), query.caption ? fetchFile(query.caption) : null]).then(function (got) {
      // A file that could not be fetched is still named to the player, which then says it
      // cannot open it, in the page's box.
      play({ name: animName, data: got[0] }, captionName ? { name: captionName, data: got[1] } : null);
    });
  }

  function program(factory, args) { return start(factory, args, []); }

  return { player: player, program: program, start: start };
})();
